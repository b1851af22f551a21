// The open-file dialog on Linux: Qt's file dialog.
//
// The request's filter pairs become Qt's name filters.  Qt reads the
// patterns from the parentheses of a filter's caption, so a caption that
// already ends with its pattern in parentheses keeps that ending, and any
// other caption gets the pattern appended.  "*.*" means every file on the
// desktop the filter lists come from, but here it would hide the files
// without an extension, so it becomes "*".
#include "platform/fileDialog.h"

#include <QDialog>
#include <QFileDialog>
#include <QStringList>

#include <cstring>

#include "platform/linux/qtWindow.h"

namespace {

// Returns Qt's name filters for a NUL-separated list of caption and pattern
// pairs ended by a further NUL.
QStringList nameFilters(const char *filter) {
    QStringList filters;
    for (const char *p = filter; p && *p;) {
        QString caption = QString::fromUtf8(p);
        p += strlen(p) + 1;
        QString pattern = *p ? QString::fromUtf8(p) : QString();
        if (*p) p += strlen(p) + 1;
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString ending = QLatin1Char('(') + pattern + QLatin1Char(')');
        if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        if (caption.endsWith(ending))
            caption.chop(ending.size());
        else if (!pattern.isEmpty())
            caption += QLatin1Char(' ');
        if (!pattern.isEmpty()) caption += QLatin1Char('(') + pattern + QLatin1Char(')');
        filters << caption;
    }
    return filters;
}

} // namespace

int runOpenFileDialog(const OpenFileRequest *request) {
    QFileDialog dialog(qtDialogWidget(request->owner), qtText(request->title), qtText(request->initialDirectory));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request->flags & OFN_FILEMUSTEXIST ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = nameFilters(request->filter);
    dialog.setNameFilters(filters);
    if (request->filterIndex >= 1 && (int)request->filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request->filterIndex - 1]);
    if (request->file && request->file[0]) dialog.selectFile(QString::fromUtf8(request->file));
    // exec runs a loop of its own, so timers and the device's messages go on.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return 0;
    const QByteArray path = dialog.selectedFiles().first().toUtf8();
    // Like the desktop's dialog, a path longer than the buffer is a failure,
    // never a cut path that names another file.
    if (!request->file || (unsigned)path.size() >= request->fileSize) return 0;
    memcpy(request->file, path.constData(), (size_t)path.size() + 1);
    return 1;
}
