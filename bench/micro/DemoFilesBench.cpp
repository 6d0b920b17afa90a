// What answering one app: request costs the main thread: DemoFiles::startTask
// resolving the URL and reading the whole file, with a task that only keeps
// the bytes (the GTK task then hands them to WebKit without a copy). The page
// throughput measured by bench/run.sh can be set against it.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scheme/DemoFiles.h"

namespace {

class KeepingTask final : public velmorin::SchemeTask {
public:
    explicit KeepingTask(std::string url) : url_(std::move(url)) {}
    std::string requestUrl() const override { return url_; }
    void didReceiveResponse(const velmorin::HttpResponse&) override {}
    void didReceiveData(velmorin::Bytes&& data) override { body = std::move(data); }
    void didFinish() override { finished = true; }
    void didFailWithError(velmorin::UrlError) override {}

    velmorin::Bytes body;
    bool finished = false;

private:
    std::string url_;
};

// A resource folder with demo/small.bin (256 KiB) and demo/big.bin (64 MiB),
// made once and removed at exit.
const std::string& resourceFolder() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/velm-scheme-bench-XXXXXX";
        std::string path = mkdtemp(pattern);
        std::filesystem::create_directory(path + "/demo");
        std::vector<char> block(1 << 20, 'x');
        std::ofstream(path + "/demo/small.bin").write(block.data(), 256 * 1024);
        std::ofstream big(path + "/demo/big.bin");
        for (int i = 0; i < 64; ++i) {
            big.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
        static const std::string removeAtExit = path;
        std::atexit([] { std::filesystem::remove_all(removeAtExit); });
        return path;
    }();
    return folder;
}

void startTask(benchmark::State& state, const char* name, std::size_t size) {
    velmorin::DemoFiles files(resourceFolder());
    const std::string url = std::string("app://demo/") + name;
    for (auto _ : state) {
        KeepingTask task(url);
        files.startTask(task);
        if (!task.finished || task.body.size() != size) {
            state.SkipWithError("the file was not served whole");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void startTask256KiB(benchmark::State& state) {
    startTask(state, "small.bin", 256 * 1024);
}
void startTask64MiB(benchmark::State& state) {
    startTask(state, "big.bin", 64u << 20);
}

}  // namespace

BENCHMARK(startTask256KiB)->Unit(benchmark::kMicrosecond);
BENCHMARK(startTask64MiB)->Unit(benchmark::kMillisecond);
