#include "link/settingsfile.h"

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

void SettingsFile::load(PortChoice &choice) const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    const qsizetype end = content.indexOf('\n');
    const std::optional<int> number = leadingNumber(end < 0 ? content : content.left(end));
    if (!number)
        return;
    choice.portNumber = *number;
    if (choice.portNumber != 0)
        choice.portChosen = true;
}

bool SettingsFile::save(int portNumber) const
{
    QFile file(path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
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
