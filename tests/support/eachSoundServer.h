// Real-sound tests that run once on each kind of sound server, each on a
// private server of its own: a TEST_P of a fixture derived from
// OnEachSoundServer, instantiated with
//   INSTANTIATE_TEST_SUITE_P(On, Fixture, eachSoundServer, soundServerName);
// so that the test's name names its server (On/Fixture.Test/PipeWire).  A
// server that is not installed or does not start makes the test skipped.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/privateSoundServer.h"

inline const auto eachSoundServer = testing::Values(ServerPulseAudio, ServerPipeWire);

// Returns the name of the server of a test, for its name.
inline std::string soundServerName(const testing::TestParamInfo<SoundServerKind> &info) {
    return soundServers[info.param].name;
}

// Starts a private server of kind in server.  Returns "", or why it cannot
// be had (the test is then skipped).
inline std::string startServerOfKind(PrivateSoundServer *server, SoundServerKind kind) {
    server->kind = kind;
    const std::string name = soundServers[kind].name;
    if (!privateServerAvailable(kind)) return name + " is not installed";
    if (!startPrivateServer(server)) return "the " + name + " server did not start";
    setenv("TONALIX_SOUND_SINK", "tonalix_null", 1);
    return "";
}

class OnEachSoundServer : public testing::TestWithParam<SoundServerKind> {
protected:
    void SetUp() override {
        const std::string missing = startServerOfKind(&server, GetParam());
        if (!missing.empty()) GTEST_SKIP() << missing;
    }
    void TearDown() override { removePrivateServer(&server); }
    PrivateSoundServer server;
};
