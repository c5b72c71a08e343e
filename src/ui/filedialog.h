#pragma once

#include <QList>
#include <QString>

class QWidget;

namespace quenda {

// The program's open and save dialogs: channel lists, profiles and the communication log, each
// with its own filter and the suffix added to a bare name that names no file.
// Tests answer them without showing a window.
class FileDialog {
public:
    enum Kind { Open, Save };
    // What the files hold: the filter and the suffix added to a bare name.
    enum Contents { ChannelList, Profile, Log };
    struct Request {
        Kind kind;
        QString title;
        QString proposedName;
    };

    // Asks before an existing file is replaced. Empty on cancel.
    static QString getSaveFileName(QWidget *parent, const QString &title, const QString &proposedName,
                                   Contents contents = ChannelList);
    // The chosen name need not exist. Empty on cancel.
    static QString getOpenFileName(QWidget *parent, const QString &title, const QString &proposedName,
                                   Contents contents = ChannelList);

    // "text|pattern|text|pattern||" as the Windows dialogs take it, in Qt's "text;;text" form;
    // "*.*" becomes "*", which matches every file here as it does on Windows.
    static QString qtFilter(const QString &windowsFilter);
    // What an open dialog returns for the chosen name: as it stands when it exists or has an
    // extension, otherwise with ".txt".
    static QString openedName(const QString &chosen, Contents contents = ChannelList);
    static QString channelListFilter();

    // Tests: while set, no dialog is shown; queued names are taken in turn, an empty queue cancels.
    static void setTestMode(bool on);
    static void setNextFileName(const QString &name);
    // Every dialog asked for since the last reset, shown or not.
    static QList<Request> requests();
    static void reset();
};

} // namespace quenda
