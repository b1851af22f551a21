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

class OnEachSoundServer : public testing::TestWithParam<SoundServerKind> {
protected:
    void SetUp() override {
        server.kind = GetParam();
        const char *name = soundServers[server.kind].name;
        if (!privateServerAvailable(server.kind)) GTEST_SKIP() << name << " is not installed";
        if (!startPrivateServer(&server)) GTEST_SKIP() << "the " << name << " server did not start";
        setenv("TONALIX_SOUND_SINK", "tonalix_null", 1);
    }
    void TearDown() override { removePrivateServer(&server); }
    PrivateSoundServer server;
};
