// chatserver: the stand-in chat server.
//
//   chatserver [--port N] [--bind ADDR] [--accounts FILE] [--script FILE]
//              [--control-port N] [--port-file FILE]
//
// --port 0 and --control-port 0 take any free port; --port-file receives
// "<chat port> <control port>" once both listen.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ChatServer.h"

namespace {

bool ParsePort(const char* text, uint16_t& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 0 || value > 65535) return false;
    out = uint16_t(value);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: chatserver [--port N] [--bind ADDR] [--accounts FILE] [--script FILE]\n"
                 "                  [--control-port N] [--port-file FILE]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    chatserver::ServerOptions options;
    chatserver::AccountBook accounts;
    chatserver::FaultScript script;
    std::string error;
    bool accountsLoaded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return Usage();
        ++i;
        if (arg == "--port") {
            if (!ParsePort(value, options.port)) return Usage();
        } else if (arg == "--control-port") {
            if (!ParsePort(value, options.controlPort)) return Usage();
            options.control = true;
        } else if (arg == "--bind") {
            options.bindAddress = value;
        } else if (arg == "--port-file") {
            options.portFile = value;
        } else if (arg == "--accounts") {
            if (!accounts.Load(value, error)) {
                std::fprintf(stderr, "chatserver: %s\n", error.c_str());
                return 1;
            }
            accountsLoaded = true;
        } else if (arg == "--script") {
            if (!script.LoadFile(value, error)) {
                std::fprintf(stderr, "chatserver: %s\n", error.c_str());
                return 1;
            }
        } else {
            return Usage();
        }
    }
    if (!accountsLoaded) std::fprintf(stderr, "chatserver: no accounts file, every log-on fails\n");

    chatserver::ChatServer server(options, accounts, script);
    if (!server.Start(error)) {
        std::fprintf(stderr, "chatserver: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "chatserver: listening on %u (control %u)\n", unsigned(server.ChatPort()),
                 unsigned(server.ControlPort()));
    server.Run();
    return 0;
}
