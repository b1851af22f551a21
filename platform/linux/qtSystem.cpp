// The desktop services on Linux: settings in an INI file under the user's
// configuration folder, the current folder, documents and addresses opened
// by the desktop, programs started with QProcess.
#include "platform/system.h"

#include <unistd.h>

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QUrl>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/boundedText.h"

// The settings store: a key path "Software\Maker\Product\Group" becomes the
// file $XDG_CONFIG_HOME/Maker/Product.conf (~/.config when the variable is
// unset or not absolute) with the section [Group]; the value is written as a
// decimal integer.
void writeRegistryDword(RegistryRoot root, const char *keyPath, const char *name, int32_t value) {
    if (root != HKEY_CURRENT_USER || !keyPath || !name || !name[0]) return;
    QStringList parts = QString::fromUtf8(keyPath).split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.first().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.size() < 2) return; // a file and a section are needed
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) return;
        base = QDir(home).filePath(QStringLiteral(".config"));
    }
    const QString group = parts.takeLast();
    const QString file = QDir(base).filePath(parts.join(QLatin1Char('/')) + QStringLiteral(".conf"));
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(group);
    settings.setValue(QString::fromUtf8(name), (int)value);
    settings.endGroup();
    settings.sync(); // a failure to write is ignored, like any settings failure
}

unsigned readCurrentDirectory(char *buffer, int size) {
    std::string folder(4096, '\0');
    if (!getcwd(folder.data(), folder.size())) return copyBoundedText(buffer, size, "", 0);
    size_t length = strlen(folder.c_str());
    if ((int)length >= size) return copyBoundedText(buffer, size, "", 0); // a cut path names another folder
    return copyBoundedText(buffer, size, folder.c_str(), length);
}

// The desktop decides how the opened window shows; the show state is a wish
// it has no way to pass on.
int openWithShell(Window owner, const char *verb, const char *target, int showState) {
    (void)owner;
    (void)showState;
    if (!target || !target[0] || (verb && verb[0] && strcmp(verb, "open") != 0)) return 0;
    QUrl url = QUrl::fromUserInput(QString::fromUtf8(target), QDir::currentPath(), QUrl::AssumeLocalFile);
    // A missing page is not handed on: the desktop's opener would show an
    // error of its own, and a missing document must change nothing visible.
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) return 0;
    return QDesktopServices::openUrl(url) ? 1 : 0;
}

unsigned expandEnvironment(const char *text, char *buffer, int size) {
    std::string out;
    for (const char *p = text ? text : ""; *p;) {
        const char *end = *p == '%' ? strchr(p + 1, '%') : nullptr;
        const char *value = end ? getenv(std::string(p + 1, end).c_str()) : nullptr;
        if (value) {
            out += value;
            p = end + 1;
        } else {
            out += *p++;
        }
    }
    if ((int)out.size() >= size) return copyBoundedText(buffer, size, "", 0);
    return copyBoundedText(buffer, size, out.data(), out.size());
}

// The process is started detached; Linux has no "ready for input" signal to
// wait for, so startProgram returns as soon as the start succeeded.
int startProgram(const char *commandLine, unsigned waitMs) {
    (void)waitMs;
    QStringList words = QProcess::splitCommand(QString::fromUtf8(commandLine ? commandLine : ""));
    if (words.isEmpty()) return 0;
    const QString program = words.takeFirst();
    return QProcess::startDetached(program, words) ? 1 : 0;
}
