#pragma once

#include <webkit/webkit.h>

#include <memory>
#include <optional>

#include "platform/SchemeTask.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::gtk {

// The error domain of the answers the program fails, and its one code.
GQuark urlErrorQuark();
inline constexpr int fileDoesNotExistCode = -1100;
inline constexpr const char* fileDoesNotExistMessage = "The requested file does not exist.";

// One app: request of WebKitGTK seen as a scheme task. WebKitGTK takes a
// whole answer at once (status, headers and a body stream), so the response
// and the body are kept until didFinish() hands them over together.
class SchemeTaskGtk final : public SchemeTask {
public:
    explicit SchemeTaskGtk(WebKitURISchemeRequest* request);
    ~SchemeTaskGtk() override;

    std::string requestUrl() const override;
    void didReceiveResponse(const HttpResponse& response) override;
    void didReceiveData(Bytes&& data) override;
    void didFinish() override;
    void didFailWithError(UrlError error) override;

private:
    GObjectPtr<WebKitURISchemeRequest> request_;
    std::optional<HttpResponse> response_;
    Bytes body_;
    bool answered_ = false;
};

// Registers `handler` on `context` for `scheme`; the context keeps it alive.
void registerSchemeHandler(WebKitWebContext* context, const std::string& scheme,
                           std::shared_ptr<SchemeHandler> handler);

}  // namespace velmorin::gtk
