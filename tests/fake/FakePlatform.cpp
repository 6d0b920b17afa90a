#include "fake/FakePlatform.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <utility>

namespace velmorin::fake {

namespace {

// Values as the log shows them; one the fake does not know shows as "?".
std::string actionName(MenuAction action) {
    return action == MenuAction::none        ? "none"
           : action == MenuAction::terminate ? "terminate"
                                             : "?";
}

// A rectangle as the log shows it: x, y, width and height.
std::string rectText(const Rect& rect) {
    return formatNumber(rect.x) + " " + formatNumber(rect.y) + " " + formatNumber(rect.width) +
           " " + formatNumber(rect.height);
}

}  // namespace

std::string formatNumber(double value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// --- Checkbox ---

FakeCheckbox::FakeCheckbox(std::shared_ptr<FakeState> state, std::string title)
    : title(std::move(title)), state_(std::move(state)) {}

// --- Alert ---

FakeAlert::FakeAlert(std::shared_ptr<FakeState> state, ModalResponse response,
                     std::optional<ControlState> checkboxAfterModal)
    : state_(std::move(state)), response_(response), checkboxAfterModal_(checkboxAfterModal) {}

ModalResponse FakeAlert::runModal() {
    state_->record("alert.runModal");
    if (checkboxAfterModal_) {
        if (auto* box = dynamic_cast<FakeCheckbox*>(accessory_.get())) {
            box->setStateByUser(*checkboxAfterModal_);
        }
    }
    return response_;
}

// --- Menus ---

FakeMenuItem::FakeMenuItem(std::shared_ptr<FakeState> state, std::string title, MenuAction action,
                           std::string keyEquivalent)
    : title(std::move(title)),
      action(action),
      keyEquivalent(std::move(keyEquivalent)),
      state_(std::move(state)) {}

MenuItem& FakeMenu::addItemWithTitle(const std::string& title, MenuAction action,
                                     const std::string& keyEquivalent) {
    state_->record("menu.addItemWithTitle " + title + " " + actionName(action) + " " +
                   keyEquivalent);
    items_.push_back(std::make_unique<FakeMenuItem>(state_, title, action, keyEquivalent));
    return *items_.back();
}

// --- Application ---

void FakeApplication::setActivationPolicy(ActivationPolicy policy) {
    state_->record(std::string("application.setActivationPolicy ") +
                   (policy == ActivationPolicy::regular ? "regular" : "?"));
}

// --- Main queue ---

void FakeMainQueue::asyncAfter(double delaySeconds, std::function<void()> work) {
    state_->record("mainQueue.asyncAfter " + formatNumber(delaySeconds));
    scheduledDelays_.push_back(delaySeconds);
    pending_.push_back({delaySeconds, std::move(work)});
}

bool FakeMainQueue::runNext() {
    if (pending_.empty()) {
        return false;
    }
    auto next = std::move(pending_.front());
    pending_.pop_front();
    next.work();
    return true;
}

// --- Screen ---

// --- Web view ---

void FakeWebViewConfiguration::setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                                                   const std::string& scheme) {
    state_->record("configuration.setUrlSchemeHandler " + scheme);
    state_->schemeHandlers[scheme] = handler;
    handlers_[scheme] = std::move(handler);
}

void FakeWebViewConfiguration::setMediaTypesRequiringUserActionForPlayback(MediaTypes types) {
    state_->record("configuration.setMediaTypesRequiringUserActionForPlayback " +
                   enumNumber(types));
    mediaTypes_ = types;
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

// Takes the oldest pending request off the queue and calls its completion;
// false when none is pending.
template <typename Pending, typename Result, typename Completion = std::identity>
bool completeOldest(std::deque<Pending>& pending, Result result, Completion completionOf = {}) {
    if (pending.empty()) {
        return false;
    }
    auto next = std::move(pending.front());
    pending.pop_front();
    std::invoke(completionOf, next)(std::move(result));
    return true;
}

}  // namespace

FakeWebView::FakeWebView(std::shared_ptr<FakeState> state, const Rect& frame,
                         const FakeWebViewConfiguration* configuration)
    : frame(frame),
      handlersAtCreation(configuration != nullptr
                             ? configuration->handlers()
                             : std::map<std::string, std::shared_ptr<SchemeHandler>>{}),
      mediaTypesAtCreation(configuration != nullptr ? configuration->mediaTypes() : std::nullopt),
      state_(std::move(state)) {}

void FakeWebView::loadRequest(const UrlRequest& request) {
    state_->record("webView.loadRequest " + request.url +
                   " cache=" + enumNumber(request.cachePolicy) +
                   " timeout=" + formatNumber(request.timeoutSeconds));
    loadedRequests_.push_back(request);
    if (titleOnLoad) {
        changeTitle(titleOnLoad);
    }
}

std::unique_ptr<Observation> FakeWebView::observeTitle(TitleChange onChange) {
    state_->record("webView.observeTitle");
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

bool FakeWebView::completeScript(ScriptResult result) {
    return completeOldest(pendingScripts_, std::move(result), &PendingScript::completion);
}

bool FakeWebView::completeSnapshot(SnapshotResult result) {
    return completeOldest(pendingSnapshots_, std::move(result));
}

// --- Window ---

FakeWindow::FakeWindow(std::shared_ptr<FakeState> state, const Rect& contentRect,
                       StyleMask styleMask, Backing backing, Defer defer)
    : contentRect(contentRect),
      styleMask(styleMask),
      backing(backing),
      defer(defer),
      state_(std::move(state)) {}

void FakeWindow::setBackgroundColor(Color color) {
    state_->record(std::string("window.setBackgroundColor ") +
                   (color == Color::black ? "black" : "?"));
}

void FakeWindow::setCollectionBehavior(CollectionBehavior behavior) {
    state_->record("window.setCollectionBehavior " + enumNumber(behavior));
}

// --- Platform ---

FakePlatform::FakePlatform()
    : state_(std::make_shared<FakeState>()),
      application_(state_),
      mainQueue_(state_),
      screen_(state_) {}

std::unique_ptr<MenuItem> FakePlatform::createMenuItem() {
    state_->record("createMenuItem");
    return std::make_unique<FakeMenuItem>(state_, "", MenuAction::none, "");
}

std::shared_ptr<Checkbox> FakePlatform::createCheckbox(const std::string& title) {
    state_->record("createCheckbox " + title);
    auto checkbox = std::make_shared<FakeCheckbox>(state_, title);
    lastCheckbox_ = checkbox;
    return checkbox;
}

std::shared_ptr<WebView> FakePlatform::createWebView(const Rect& frame,
                                                     WebViewConfiguration& configuration) {
    state_->record("createWebView " + rectText(frame));
    auto view = std::make_shared<FakeWebView>(
        state_, frame, dynamic_cast<const FakeWebViewConfiguration*>(&configuration));
    view->titleOnLoad = pageTitleOnLoad;
    lastWebView_ = view;
    return view;
}

std::shared_ptr<Window> FakePlatform::createWindow(const Rect& contentRect, StyleMask styleMask,
                                                   Backing backing, Defer defer) {
    state_->record("createWindow " + rectText(contentRect) + " style=" + enumNumber(styleMask) +
                   " backing=" + enumNumber(backing) +
                   " defer=" + (defer == Defer::no ? "no" : "yes"));
    auto window = std::make_shared<FakeWindow>(state_, contentRect, styleMask, backing, defer);
    lastWindow_ = window;
    return window;
}

std::shared_ptr<SchemeHandler> FakePlatform::schemeHandler(const std::string& scheme) const {
    const auto found = state_->schemeHandlers.find(scheme);
    return found == state_->schemeHandlers.end() ? nullptr : found->second;
}

}  // namespace velmorin::fake
