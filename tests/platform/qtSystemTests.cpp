// The Linux desktop services: where the settings go and what they hold.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

#include "platform/system.h"

namespace {

TEST(QtSettingsFile, KeyPathsBecomeFileAndSection) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", folder.path().toUtf8());
    const struct {
        RegistryRoot root;
        const char *keyPath;
        const char *name;
        int32_t value;
        const char *file; // null: nothing may be written
        const char *key;  // section/name in the file
    } cases[] = {
        {HKEY_CURRENT_USER, "Software\\Quillmark\\Humtone\\Setting", "vol", 100, "Quillmark/Humtone.conf",
         "Setting/vol"},
        {HKEY_CURRENT_USER, "Software\\Quillmark\\Humtone\\Setting", "sin_vol", -7, "Quillmark/Humtone.conf",
         "Setting/sin_vol"},
        {HKEY_CURRENT_USER, "Software\\A\\B\\C\\D", "x", 2147483647, "A/B/C.conf", "D/x"},
        {HKEY_CURRENT_USER, "Other\\Group", "y", 1, "Other.conf", "Group/y"},
        {HKEY_CURRENT_USER, "Software\\OnlyOne", "z", 1, nullptr, nullptr},
        {(RegistryRoot)0x80000002u, "Software\\Machine\\Wide", "w", 1, nullptr, nullptr},
    };
    for (auto c : cases) {
        writeRegistryDword(c.root, c.keyPath, c.name, c.value);
        if (!c.file) continue;
        const QString path = QDir(folder.path()).filePath(QString::fromUtf8(c.file));
        ASSERT_TRUE(QFile::exists(path)) << c.keyPath;
        QSettings settings(path, QSettings::IniFormat);
        EXPECT_EQ(settings.value(QString::fromUtf8(c.key)).toInt(), c.value) << c.keyPath;
    }
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath(QStringLiteral("OnlyOne.conf"))));
    EXPECT_FALSE(QFile::exists(QDir(folder.path()).filePath(QStringLiteral("Machine/Wide.conf"))));

    // the file holds plain integers under [Setting]
    QFile file(QDir(folder.path()).filePath(QStringLiteral("Quillmark/Humtone.conf")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), QStringLiteral("[Setting]\nsin_vol=-7\nvol=100\n"));

    // a folder that cannot be written is no error for the caller
    qputenv("XDG_CONFIG_HOME", "/proc/no-such-folder");
    writeRegistryDword(HKEY_CURRENT_USER, "Software\\Quillmark\\Humtone\\Setting", "vol", 1);
    qputenv("XDG_CONFIG_HOME", saved);
}

TEST(QtSettingsFile, WithoutXdgConfigHomeUsesDotConfig) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    for (const char *config : {"", "relative/path"}) {
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config);
        writeRegistryDword(HKEY_CURRENT_USER, "Software\\Quillmark\\Humtone\\Setting", "vol", 55);
        QSettings settings(QDir(home.path()).filePath(QStringLiteral(".config/Quillmark/Humtone.conf")),
                           QSettings::IniFormat);
        EXPECT_EQ(settings.value(QStringLiteral("Setting/vol")).toInt(), 55) << config;
    }
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST(QtDesktop, ExpandsEnvironmentAndReadsTheFolder) {
    setenv("TONALIX_TEST_ROOT", "/opt/root", 1);
    char buffer[64];
    EXPECT_GT(expandEnvironment("%TONALIX_TEST_ROOT%/bin %UNSET_TONALIX_VAR%", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "/opt/root/bin %UNSET_TONALIX_VAR%");
    EXPECT_EQ(expandEnvironment("%TONALIX_TEST_ROOT%", buffer, 5), 0u);

    char folder[4096];
    ASSERT_GT(readCurrentDirectory(folder, sizeof folder), 0u);
    EXPECT_EQ(QDir(QString::fromUtf8(folder)), QDir::current());
    EXPECT_EQ(readCurrentDirectory(folder, 2), 0u); // a cut path would name another folder
    EXPECT_EQ(startProgram("", 0), 0);
    EXPECT_EQ(startProgram("/no/such/program --flag", 0), 0);
}

} // namespace
