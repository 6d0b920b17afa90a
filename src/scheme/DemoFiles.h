#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/SchemeTask.h"
#include "scheme/MimeTypes.h"

namespace velmorin {

// Answers every app: URL of the web view from the demo folder, and nothing
// outside it. Each task is answered completely inside startTask(): a 200
// response with the file's content type and length, the whole file, the end;
// or, for a refused path or a file that cannot be read, the one failure
// fileDoesNotExist, so a page cannot tell the two apart.
class DemoFiles final : public SchemeHandler {
public:
    // `resourceDirectory` is the bundle's resource folder; the demo is its
    // folder "demo". Nothing checks that it exists: if it does not, every
    // request fails.
    explicit DemoFiles(std::string_view resourceDirectory);

    void startTask(SchemeTask& task) override;
    // Tasks never outlive startTask(), so there is nothing to stop.
    void stopTask(SchemeTask& task) override;
    // Media come from the same folder, through the same openResource().
    std::optional<std::string> mediaFolder() const override;

    // The file a request URL names, strictly inside `root`, or nothing.
    std::optional<std::string> resolve(std::string_view url) const;

    // The standardized path of the demo folder.
    const std::string root;
    const MimeTable types;
};

// The demo folder of the bundle's resource folder `resourceDirectory`, its
// folder "demo", standardized: "/opt/vhd/share/velmorin-hd" gives
// "/opt/vhd/share/velmorin-hd/demo".
std::string demoFolderPath(std::string_view resourceDirectory);

// The two header fields of a successful answer, in the order they are sent.
HttpResponse demoResponse(const std::string& requestUrl, const std::string& contentType,
                          std::size_t length);

}  // namespace velmorin
