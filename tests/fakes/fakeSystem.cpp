// The desktop services held in memory; see fakeSystem.h.
#include "tests/fakes/fakeSystem.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/boundedText.h"

namespace {

struct FakeSystemState {
    std::vector<FakeRegistryWrite> writes;
    std::vector<FakeShellRequest> requests;
    std::vector<FakeProgramStart> starts;
    std::vector<std::string> startable;
    std::string folder = "/fake/folder";
    std::map<std::string, std::string> environment;
};

FakeSystemState services;

} // namespace

void fakeResetSystem() { services = FakeSystemState(); }
const std::vector<FakeRegistryWrite> &fakeRegistryWrites() { return services.writes; }

int fakeRegistryValue(const char *keyPath, const char *name, int32_t *value) {
    for (auto write = services.writes.rbegin(); write != services.writes.rend(); ++write) {
        if (write->keyPath == keyPath && write->name == name) {
            *value = write->value;
            return 1;
        }
    }
    return 0;
}

const std::vector<FakeShellRequest> &fakeShellRequests() { return services.requests; }
const std::vector<FakeProgramStart> &fakeProgramStarts() { return services.starts; }
void fakeSetStartablePrograms(const std::vector<std::string> &commandLines) { services.startable = commandLines; }
void fakeSetCurrentDirectory(const char *path) { services.folder = path ? path : ""; }
void fakeSetEnvironment(const char *name, const char *value) { services.environment[name] = value ? value : ""; }

void writeRegistryDword(RegistryRoot root, const char *keyPath, const char *name, int32_t value) {
    services.writes.push_back({root, keyPath ? keyPath : "", name ? name : "", value});
}

unsigned readCurrentDirectory(char *buffer, int size) {
    if ((int)services.folder.size() >= size) return copyBoundedText(buffer, size, "", 0);
    return copyBoundedText(buffer, size, services.folder.data(), services.folder.size());
}

int openWithShell(Window owner, const char *verb, const char *target, int showState) {
    services.requests.push_back({owner, verb ? verb : "", target ? target : "", showState});
    return 1;
}

unsigned expandEnvironment(const char *text, char *buffer, int size) {
    std::string out;
    for (const char *p = text ? text : ""; *p;) {
        const char *end = *p == '%' ? strchr(p + 1, '%') : nullptr;
        auto found = end ? services.environment.find(std::string(p + 1, end)) : services.environment.end();
        if (found != services.environment.end()) {
            out += found->second;
            p = end + 1;
        } else {
            out += *p++;
        }
    }
    if ((int)out.size() >= size) return copyBoundedText(buffer, size, "", 0);
    return copyBoundedText(buffer, size, out.data(), out.size());
}

int startProgram(const char *commandLine, unsigned waitMs) {
    services.starts.push_back({commandLine ? commandLine : "", waitMs});
    auto &ok = services.startable;
    return std::find(ok.begin(), ok.end(), std::string(commandLine ? commandLine : "")) != ok.end();
}
