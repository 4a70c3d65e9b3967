// qv-fileserver: the stand-in file server.
//
//   qv-fileserver [--bind ADDRESS] [--port N] [--dir FOLDER] [--reject-uploads N]
//                 [--downloads-without-data] [--close-after N] [--block-limit N]
//                 [--stall-trigger FILE] [--stall-ms N] [--log]
//
// --stall-trigger: when a request arrives and FILE exists, FILE is removed
// and the server answers nothing for --stall-ms (30000 unless given), then
// goes on. --log: one line per request on stderr ("UPLOAD <name> <offset>
// <length> <status>", "DOWNLOAD <name> <offset> <bytes> <size>", "STALL <ms> ms").
//
// Prints "listening <port>" once it accepts connections (port 0: any free
// port; the address defaults to 127.0.0.1), then serves until it is sent
// SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "FileServer.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

bool ParseNumber(const char* text, long max, long& out) {
    char* end = nullptr;
    out = std::strtol(text, &end, 10);
    return end && *end == 0 && out >= 0 && out <= max;
}
}  // namespace

int main(int argc, char** argv) {
    long port = 7013;
    std::string folder = ".";
    std::string bindAddress = "127.0.0.1";
    standin::FileServerFaults faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue && ParseNumber(argv[i + 1], 65535, port)) {
            ++i;
        } else if (arg == "--bind" && hasValue) {
            bindAddress = argv[++i];
        } else if (arg == "--dir" && hasValue) {
            folder = argv[++i];
        } else if (arg == "--reject-uploads" && hasValue && ParseNumber(argv[i + 1], 1000000, value)) {
            faults.rejectUploads = static_cast<int>(value);
            ++i;
        } else if (arg == "--downloads-without-data") {
            faults.downloadsWithoutData = true;
        } else if (arg == "--close-after" && hasValue && ParseNumber(argv[i + 1], 1000000, value)) {
            faults.closeAfterReplies = static_cast<int>(value);
            ++i;
        } else if (arg == "--block-limit" && hasValue && ParseNumber(argv[i + 1], 1 << 30, value)) {
            faults.downloadBlockLimit = static_cast<uint32_t>(value);
            ++i;
        } else if (arg == "--stall-trigger" && hasValue) {
            faults.stallTrigger = argv[++i];
        } else if (arg == "--stall-ms" && hasValue && ParseNumber(argv[i + 1], 600000, value)) {
            faults.stallMs = static_cast<uint32_t>(value);
            ++i;
        } else if (arg == "--log") {
            faults.log = true;
        } else {
            std::fprintf(stderr, "qv-fileserver: bad argument '%s'\n", arg.c_str());
            return 2;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    standin::FileServer server(folder, faults);
    if (!server.Start(static_cast<uint16_t>(port), bindAddress)) {
        std::fprintf(stderr, "qv-fileserver: cannot listen on %s port %ld\n", bindAddress.c_str(), port);
        return 1;
    }
    std::printf("listening %u\n", server.Port());
    std::fflush(stdout);
    while (!stopRequested) usleep(100000);
    server.Stop();
    return 0;
}
