#include "link/settingsfile.h"

#include "link/portnaming.h"
#include "link/regularfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <limits>

namespace quenda {

SettingsFile::SettingsFile(const QString &folder) : m_folder(folder) {}

QString SettingsFile::path() const
{
    const QString folder =
        m_folder.isEmpty() ? QCoreApplication::applicationDirPath() : m_folder;
    return QDir(folder).filePath(QString::fromLatin1(kFileName));
}

namespace {
// The longest first line worth reading: a port number and some blanks.
constexpr qint64 kFirstLineLimit = 64;
} // namespace

SettingsFile::LoadResult SettingsFile::load(PortChoice &choice) const
{
    QFile file(path());
    const FileOpenResult opened = openRegularFile(file, QIODevice::ReadOnly);
    if (opened.status == FileOpen::NotRegular)
        return LoadResult::NotRegular;
    if (opened.status != FileOpen::Opened)
        return LoadResult::Missing;
    const QByteArray content = file.read(kFirstLineLimit);
    const qsizetype end = content.indexOf('\n');
    const std::optional<int> number = leadingNumber(end < 0 ? content : content.left(end));
    if (!number)
        return LoadResult::Read;
    // The serial control takes the number as 16 bits: 65537 would open COM1.
    const bool namesPort = *number >= PortNaming::kFirstPort && *number <= PortNaming::kLastPort;
    choice.portNumber = namesPort ? *number : 0;
    if (choice.portNumber != 0)
        choice.portChosen = true;
    return LoadResult::Read;
}

bool SettingsFile::save(int portNumber) const
{
    QFile file(path());
    if (openRegularFile(file, QIODevice::WriteOnly | QIODevice::Truncate).status !=
        FileOpen::Opened)
        return false;
    const QByteArray text = QByteArray::number(portNumber);
    return file.write(text) == text.size() && file.flush();
}

std::optional<int> SettingsFile::leadingNumber(const QByteArray &line)
{
    qsizetype i = 0;
    auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    while (i < line.size() && isBlank(line[i]))
        ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) {
        negative = line[i] == '-';
        ++i;
    }
    const qsizetype digitsStart = i;
    qint64 value = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') {
        value = value * 10 + (line[i] - '0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt; // no port has such a number
        ++i;
    }
    if (i == digitsStart)
        return std::nullopt;
    return int(negative ? -value : value);
}

} // namespace quenda
