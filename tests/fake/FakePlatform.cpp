#include "fake/FakePlatform.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <future>
#include <thread>
#include <utility>

namespace velmorin::fake {

std::string logText(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string logText(const Rect& rect) {
    return logText(rect.x) + " " + logText(rect.y) + " " + logText(rect.width) + " " +
           logText(rect.height);
}

ModalResponse FakeAlert::runModal() {
    record("alert.runModal");
    if (checkboxAfterModal_) {
        if (auto* box = dynamic_cast<FakeCheckbox*>(accessory_.get())) {
            box->current = *checkboxAfterModal_;
        }
    }
    return response_;
}

namespace {

// Live observations flip their flag off when dropped; the view checks it
// before every call.
class FakeObservation final : public Observation {
public:
    explicit FakeObservation(std::shared_ptr<bool> live) : live_(std::move(live)) {}
    ~FakeObservation() override { *live_ = false; }

private:
    std::shared_ptr<bool> live_;
};

}  // namespace

FakeWebView::FakeWebView(std::shared_ptr<FakeState> state,
                         const FakeWebViewConfiguration* configuration)
    : Recorder(std::move(state)),
      handlersAtCreation(configuration != nullptr ? configuration->handlers : SchemeHandlers{}),
      mediaTypesAtCreation(configuration != nullptr ? configuration->mediaTypes : std::nullopt) {}

void FakeWebView::loadRequest(const UrlRequest& request) {
    record("webView.loadRequest", request.url, "cache=" + logText(request.cachePolicy),
           "timeout=" + logText(request.timeoutSeconds));
    if (titleOnLoad) {
        changeTitle(titleOnLoad);
    }
}

std::unique_ptr<Observation> FakeWebView::observeTitle(TitleChange onChange) {
    record("webView.observeTitle");
    auto live = std::make_shared<bool>(true);
    observers_.push_back({live, std::move(onChange)});
    return std::make_unique<FakeObservation>(std::move(live));
}

void FakeWebView::changeTitle(std::optional<std::string> title) {
    title_ = std::move(title);
    // A copy, so an observer that starts or ends an observation does not
    // disturb this round.
    const auto observers = observers_;
    for (const auto& observer : observers) {
        if (*observer.live) {
            // Read the way a toolkit reads it for each observer, so the log
            // shows the read.
            observer.onChange(FakeWebView::title());
        }
    }
}

std::size_t FakeWebView::liveObservationCount() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(observers_, [](const Observer& observer) { return *observer.live; }));
}

std::shared_ptr<WebView> FakePlatform::createWebView(const Rect& frame,
                                                     WebViewConfiguration& configuration) {
    record("createWebView", frame);
    auto view = std::make_shared<FakeWebView>(
        state_, dynamic_cast<const FakeWebViewConfiguration*>(&configuration));
    view->titleOnLoad = pageTitleOnLoad;
    return remember(lastWebView_, std::move(view));
}

std::shared_ptr<SchemeHandler> FakePlatform::schemeHandler(const std::string& scheme) const {
    const auto found = state_->schemeHandlers.find(scheme);
    return found == state_->schemeHandlers.end() ? nullptr : found->second;
}

std::string RecordingSchemeTask::body() const {
    std::string all;
    for (const auto& block : dataBlocks) {
        all.append(block.begin(), block.end());
    }
    return all;
}

RecordingSchemeTask answerOnItsOwnThread(SchemeHandler& handler, const std::string& url,
                                         const std::filesystem::path& pipe) {
    auto task = std::make_shared<RecordingSchemeTask>(url);
    std::packaged_task<void()> work([&handler, task] { handler.startTask(*task); });
    auto done = work.get_future();
    std::thread worker(std::move(work));
    if (done.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        ADD_FAILURE() << "the answer to " << url.substr(0, 120) << " did not come back";
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    worker.join();
    return *task;
}

}  // namespace velmorin::fake
