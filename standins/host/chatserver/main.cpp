// chatserver: the stand-in chat server.
//
//   chatserver [--port N] [--bind ADDR] [--accounts FILE] [--world FILE] [--desk FILE]
//              [--script FILE] [--control-port N] [--port-file FILE]
//
// --port 0 and --control-port 0 take any free port; --port-file receives
// "<chat port> <control port>" once both listen. Without --world the file
// "world.txt" beside the accounts file is read when it is there; likewise
// "desk.txt" (the desk commands' data) without --desk.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
                 "usage: chatserver [--port N] [--bind ADDR] [--accounts FILE] [--world FILE] [--desk FILE]\n"
                 "                  [--script FILE] [--control-port N] [--port-file FILE]\n");
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
    std::string accountsPath, worldPath;
    std::string deskPath;
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
            accountsPath = value;
        } else if (arg == "--desk") {
            deskPath = value;
        } else if (arg == "--world") {
            worldPath = value;
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
    chatserver::World world;
    if (worldPath.empty() && !accountsPath.empty()) {
        const std::string beside =
            accountsPath.substr(0, accountsPath.find_last_of('/') + 1) + "world.txt";
        if (FILE* probe = std::fopen(beside.c_str(), "rb")) {
            std::fclose(probe);
            worldPath = beside;
        }
    }
    if (!worldPath.empty() && !world.Load(worldPath, error)) {
        std::fprintf(stderr, "chatserver: %s\n", error.c_str());
        return 1;
    }

    chatserver::DeskData desk;
    if (deskPath.empty() && !accountsPath.empty()) {
        const std::string beside = accountsPath.substr(0, accountsPath.find_last_of('/') + 1) + "desk.txt";
        if (FILE* probe = std::fopen(beside.c_str(), "rb")) {
            std::fclose(probe);
            deskPath = beside;
        }
    }
    if (!deskPath.empty() && !desk.Load(deskPath, error)) {
        std::fprintf(stderr, "chatserver: %s\n", error.c_str());
        return 1;
    }

    int restartAfterMs = -1;
    uint16_t chatPort = 0, controlPort = 0;
    {
        chatserver::ChatServer server(options, accounts, script, world, desk);
        if (!server.Start(error)) {
            std::fprintf(stderr, "chatserver: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stderr, "chatserver: listening on %u (control %u)\n", unsigned(server.ChatPort()),
                     unsigned(server.ControlPort()));
        server.Run();
        restartAfterMs = server.RestartAfterMs();
        chatPort = server.ChatPort();
        controlPort = server.ControlPort();
    }  // every socket closed: the server is gone
    if (restartAfterMs < 0) return 0;
    // A restart: the same program on the same ports after the pause, with
    // nothing of this run kept.
    std::fprintf(stderr, "chatserver: restarting in %d ms\n", restartAfterMs);
    usleep(useconds_t(restartAfterMs) * 1000);
    std::vector<std::string> args;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--port" || arg == "--control-port") continue;
        args.push_back(arg);
        if (i + 1 < argc) args.push_back(argv[i + 1]);
    }
    args.push_back("--port");
    args.push_back(std::to_string(chatPort));
    if (options.control) {
        args.push_back("--control-port");
        args.push_back(std::to_string(controlPort));
    }
    std::vector<char*> exec;
    exec.push_back(argv[0]);
    for (std::string& a : args) exec.push_back(&a[0]);
    exec.push_back(nullptr);
    execv("/proc/self/exe", exec.data());
    std::fprintf(stderr, "chatserver: restart failed: %s\n", std::strerror(errno));
    return 1;
}
