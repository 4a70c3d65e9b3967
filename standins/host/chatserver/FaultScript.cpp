#include "FaultScript.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace chatserver {

namespace {
struct NamedFault {
    const char* name;
    Fault fault;
};
constexpr NamedFault kFaults[] = {
    {"none", Fault::None},
    {"close-after-accept", Fault::CloseAfterAccept},
    {"close-after-logon", Fault::CloseAfterLogon},
    {"silent", Fault::Silent},
    {"split-header", Fault::SplitHeader},
    {"huge-length", Fault::HugeLength},
    {"partial-body", Fault::PartialBody},
    {"refuse", Fault::Refuse},
    {"chaos", Fault::Chaos},
    {"split", Fault::Split},
};
constexpr size_t kMaxSteps = 1000;
}  // namespace

const char* FaultName(Fault fault) {
    for (const NamedFault& f : kFaults)
        if (f.fault == fault) return f.name;
    return "?";
}

bool ParseFaultStep(const std::string& token, FaultStep& out) {
    std::string name = token;
    uint32_t ms = 0;
    const size_t colon = token.find(':');
    if (colon != std::string::npos) {
        name = token.substr(0, colon);
        const std::string digits = token.substr(colon + 1);
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        ms = uint32_t(std::strtoul(digits.c_str(), nullptr, 10));
    }
    for (const NamedFault& f : kFaults) {
        if (name == f.name) {
            if (colon != std::string::npos && f.fault != Fault::Refuse && f.fault != Fault::Chaos &&
                f.fault != Fault::Split)
                return false;
            out.fault = f.fault;
            if (f.fault == Fault::Chaos || f.fault == Fault::Split) {
                out.seed = ms;
            } else {
                out.refuseMs = ms;
            }
            return true;
        }
    }
    return false;
}

bool FaultScript::Set(const std::string& steps, std::string& error) {
    std::deque<FaultStep> parsed;
    std::istringstream in(steps);
    std::string token;
    while (in >> token) {
        FaultStep step;
        if (!ParseFaultStep(token, step)) {
            error = "unknown fault " + token;
            return false;
        }
        if (parsed.size() >= kMaxSteps) {
            error = "script too long";
            return false;
        }
        parsed.push_back(step);
    }
    steps_ = std::move(parsed);
    return true;
}

bool FaultScript::LoadFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read script " + path;
        return false;
    }
    std::string all, line;
    while (std::getline(in, line) && all.size() < 64 * 1024) {
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        all += line + ' ';
    }
    return Set(all, error);
}

}  // namespace chatserver
