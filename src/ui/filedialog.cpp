#include "ui/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QQueue>

namespace quenda {
namespace {

QString suffixOf(FileDialog::Contents contents)
{
    return contents == FileDialog::Profile ? QStringLiteral("json") : QStringLiteral("txt");
}

QString filterOf(FileDialog::Contents contents)
{
    switch (contents) {
    case FileDialog::Profile:
        return FileDialog::qtFilter(QStringLiteral("配置文件(*.json)|*.json|All Files(*.*)|*.*||"));
    case FileDialog::Log:
        return FileDialog::qtFilter(
            QStringLiteral("文本文件(*.txt)|*.txt|日志文件(*.log)|*.log|All Files(*.*)|*.*||"));
    case FileDialog::ChannelList:
        break;
    }
    return FileDialog::channelListFilter();
}

struct TestState {
    bool testMode = false;
    QQueue<QString> names;
    QList<FileDialog::Request> requests;
};

TestState &testState()
{
    static TestState state;
    return state;
}

QString run(QWidget *parent, FileDialog::Kind kind, const QString &title, const QString &proposedName,
            FileDialog::Contents contents)
{
    TestState &state = testState();
    state.requests.append({kind, title, proposedName});
    if (state.testMode)
        return state.names.isEmpty() ? QString() : state.names.dequeue();

    // Qt's own dialog everywhere: the native ones differ in whether an open dialog takes a
    // name that does not exist. It has no read-only check box to hide.
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(kind == FileDialog::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filterOf(contents));
    // Qt would add the suffix before an open dialog could see that the bare name exists.
    if (kind == FileDialog::Save)
        dialog.setDefaultSuffix(suffixOf(contents));
    if (!proposedName.isEmpty())
        dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QString chosen = dialog.selectedFiles().value(0);
    return kind == FileDialog::Open ? FileDialog::openedName(chosen, contents) : chosen;
}

} // namespace

QString FileDialog::getSaveFileName(QWidget *parent, const QString &title, const QString &proposedName,
                                    Contents contents)
{
    return run(parent, Save, title, proposedName, contents);
}

QString FileDialog::getOpenFileName(QWidget *parent, const QString &title, const QString &proposedName,
                                    Contents contents)
{
    return run(parent, Open, title, proposedName, contents);
}

QString FileDialog::qtFilter(const QString &windowsFilter)
{
    QStringList parts = windowsFilter.split(u'|');
    // The list ends with "||": drop the empty tail.
    while (!parts.isEmpty() && parts.last().isEmpty())
        parts.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &text = parts[i];
        const QString windowsPatterns = QString(parts[i + 1]).replace(u';', u' ');
        QStringList patternList = windowsPatterns.split(u' ', Qt::SkipEmptyParts);
        // On Windows "*.*" matches every file; elsewhere it would hide names without a point.
        for (QString &pattern : patternList) {
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        }
        const QString patterns = patternList.join(u' ');
        // Qt reads the patterns from the parentheses; most texts already show them there.
        const QString shown = QStringLiteral("(%1)").arg(windowsPatterns);
        if (text.endsWith(shown))
            filters << text.chopped(shown.size()) + QStringLiteral("(%1)").arg(patterns);
        else
            filters << QStringLiteral("%1 (%2)").arg(text, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

QString FileDialog::openedName(const QString &chosen, Contents contents)
{
    const QFileInfo info(chosen);
    if (chosen.isEmpty() || info.exists() || info.fileName().contains(u'.'))
        return chosen;
    return chosen + u'.' + suffixOf(contents);
}

QString FileDialog::channelListFilter()
{
    return qtFilter(QStringLiteral("文本文件(*.txt)|*.txt|All Files(*.*)|*.*||"));
}

void FileDialog::setTestMode(bool on)
{
    testState().testMode = on;
}

void FileDialog::setNextFileName(const QString &name)
{
    testState().names.enqueue(name);
}

QList<FileDialog::Request> FileDialog::requests()
{
    return testState().requests;
}

void FileDialog::reset()
{
    testState() = TestState{};
}

} // namespace quenda
