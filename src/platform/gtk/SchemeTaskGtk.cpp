#include "platform/gtk/SchemeTaskGtk.h"

#include <algorithm>

#include "platform/gtk/CallbackGuard.h"

namespace velmorin::gtk {

GQuark urlErrorQuark() {
    return g_quark_from_static_string("velmorin-url-error-quark");
}

SchemeTaskGtk::SchemeTaskGtk(WebKitURISchemeRequest* request)
    : request_(GObjectPtr<WebKitURISchemeRequest>::retain(request)) {}

SchemeTaskGtk::~SchemeTaskGtk() {
    // A request must always be answered, or the page waits for it forever.
    if (!answered_) {
        didFailWithError(UrlError::fileDoesNotExist);
    }
}

std::string SchemeTaskGtk::requestUrl() const {
    const char* uri = webkit_uri_scheme_request_get_uri(request_.get());
    return uri != nullptr ? uri : "";
}

void SchemeTaskGtk::didReceiveResponse(const HttpResponse& response) {
    response_ = response;
}

void SchemeTaskGtk::didReceiveData(Bytes&& data) {
    if (body_.empty()) {
        body_ = std::move(data);
    } else if (!data.empty()) {
        // Grown and copied by hand: GCC 14 takes the range insert's copy
        // into a vector it cannot prove non-empty for an overflow.
        const std::size_t used = body_.size();
        body_.resize(used + data.size());
        std::copy(data.begin(), data.end(), body_.begin() + static_cast<std::ptrdiff_t>(used));
    }
}

void SchemeTaskGtk::didFinish() {
    if (answered_ || !response_) {
        return;
    }
    answered_ = true;

    // The body moves into a GBytes without a copy; the stream owns it then.
    auto* body = new Bytes(std::move(body_));
    g_autoptr(GBytes) bytes = g_bytes_new_with_free_func(
        body->data(), body->size(), [](gpointer data) { delete static_cast<Bytes*>(data); }, body);
    const auto length = static_cast<gint64>(g_bytes_get_size(bytes));
    const auto stream =
        GObjectPtr<GInputStream>::adopt(g_memory_input_stream_new_from_bytes(bytes));

    const auto answer = GObjectPtr<WebKitURISchemeResponse>::adopt(
        webkit_uri_scheme_response_new(stream.get(), length));
    WebKitURISchemeResponse* response = answer.get();
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(response_->statusCode),
                                          nullptr);

    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    for (const auto& field : response_->headerFields) {
        soup_message_headers_append(headers, field.name.c_str(), field.value.c_str());
        if (field.name == "Content-Type") {
            webkit_uri_scheme_response_set_content_type(response, field.value.c_str());
        }
    }
    webkit_uri_scheme_response_set_http_headers(response, headers);  // Takes the headers.
    webkit_uri_scheme_request_finish_with_response(request_.get(), response);
}

void SchemeTaskGtk::didFailWithError(UrlError) {
    if (answered_) {
        return;
    }
    answered_ = true;
    g_autoptr(GError) error =
        g_error_new_literal(urlErrorQuark(), fileDoesNotExistCode, fileDoesNotExistMessage);
    webkit_uri_scheme_request_finish_error(request_.get(), error);
}

namespace {

void onSchemeRequest(WebKitURISchemeRequest* request, gpointer data) {
    auto& handler = *static_cast<std::shared_ptr<SchemeHandler>*>(data);
    guardCallback("app request", [&handler, request] {
        SchemeTaskGtk task(request);
        handler->startTask(task);
    });
}

}  // namespace

void registerSchemeHandler(WebKitWebContext* context, const std::string& scheme,
                           std::shared_ptr<SchemeHandler> handler) {
    auto* held = new std::shared_ptr<SchemeHandler>(std::move(handler));
    webkit_web_context_register_uri_scheme(
        context, scheme.c_str(), onSchemeRequest, held,
        [](gpointer data) { delete static_cast<std::shared_ptr<SchemeHandler>*>(data); });
}

}  // namespace velmorin::gtk
