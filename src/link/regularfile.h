#pragma once

#include <QIODevice>
#include <QString>

class QFile;

namespace quenda {

// Opening a file the user or the system put in our way, without ever blocking the window:
// a FIFO, a device or a folder under the expected name is refused before anything is read.
enum class FileOpen {
    Opened,
    Missing,    // nothing under that name
    NotRegular, // a FIFO, device, socket or folder
    Failed,     // the system refused it; `reason` says why
};

struct FileOpenResult {
    FileOpen status = FileOpen::Failed;
    QString reason; // the system's own words, empty when opened
    qint64 size = 0;
};

// Opens file.fileName() with `mode` (ReadOnly, or WriteOnly with Truncate) only when it is a
// regular file, or, for writing, when it does not exist yet.
FileOpenResult openRegularFile(QFile &file, QIODevice::OpenMode mode);

} // namespace quenda
