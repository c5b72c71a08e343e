#pragma once

#include <QDir>
#include <QString>

// Texts of profiles and backups that reach the user: rejection reasons, notes, labels.
namespace quenda::profiletexts {

inline QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

inline QString notAProfile(const QString &reason)
{
    return QStringLiteral("这不是 QUENDA 配置文件（%1）。未载入任何内容。").arg(reason);
}
inline QString notJson(const QString &detail)
{
    return QStringLiteral("不是 JSON 文本：%1").arg(detail);
}
inline QString notAnObject()
{
    return QStringLiteral("最外层不是 JSON 对象");
}
inline QString noFormatKey()
{
    return QStringLiteral("缺少 \"format\": \"quenda-profile\"");
}
inline QString tooLarge()
{
    return QStringLiteral("文件过大");
}
inline QString newerVersion(qint64 version, int known)
{
    return QStringLiteral("此配置文件的格式版本为 %1，本程序只能读取版本 %2。未载入任何内容。")
        .arg(version)
        .arg(known);
}
// `key` is the path of the value in the file, such as registers.S108.value.
inline QString badValue(const QString &key, const QString &reason)
{
    return QStringLiteral("配置文件中的 \"%1\" 无效：%2。未载入任何内容。").arg(key, reason);
}

inline QString missing()
{
    return QStringLiteral("缺少此项");
}
inline QString wantInteger()
{
    return QStringLiteral("应为整数");
}
inline QString wantIntegerOrNull()
{
    return QStringLiteral("应为整数或 null");
}
inline QString wantText()
{
    return QStringLiteral("应为文字");
}
inline QString wantObject()
{
    return QStringLiteral("应为 JSON 对象");
}
inline QString wantArray()
{
    return QStringLiteral("应为 JSON 数组");
}
inline QString notInTable(qint64 value)
{
    return QStringLiteral("%1 不是此项的可选值").arg(value);
}
inline QString channelRange(qint64 value)
{
    return QStringLiteral("通道号 %1 不在 0 到 63 之间").arg(value);
}
inline QString frequencyRange(qint64 value)
{
    return QStringLiteral("频率 %1 Hz 不在 410000000 到 480000000 Hz 之间").arg(value);
}
inline QString bandwidthCode(qint64 value)
{
    return QStringLiteral("带宽代码 %1 无效（0 = 6.25 kHz，1 = 12.5 kHz，2 = 25 kHz）").arg(value);
}
inline QString directionCode(qint64 value)
{
    return QStringLiteral("方向代码 %1 无效（0 = Rx，1 = Tx，2 = Rx&Tx）").arg(value);
}
inline QString duplicateChannel(qint64 value)
{
    return QStringLiteral("通道 %1 重复出现").arg(value);
}
inline QString disagrees(const QString &expected)
{
    return QStringLiteral("与寄存器的值不符（应为 \"%1\"）").arg(expected);
}

inline QString readFailed(const QString &path, const QString &reason)
{
    return QStringLiteral("无法读取文件 %1：%2").arg(shown(path), reason);
}
inline QString writeFailed(const QString &path, const QString &reason)
{
    return QStringLiteral("无法写入文件 %1：%2").arg(shown(path), reason);
}
inline QString noFileName()
{
    return QStringLiteral("未指定文件名");
}

// Notes on channel rows that a profile cannot hold.
inline QString rowPartlyFilled(int channel)
{
    return QStringLiteral("通道 %1：频率、带宽和方向未全部填写，未收入配置").arg(channel);
}
inline QString rowBadFrequency(int channel, const QString &text)
{
    return QStringLiteral("通道 %1：频率 \"%2\" 不在 410 到 480 MHz 之间或无法识别，未收入配置")
        .arg(channel)
        .arg(text);
}
inline QString rowBadBandwidth(int channel, const QString &text)
{
    return QStringLiteral("通道 %1：带宽 \"%2\" 无法识别，未收入配置").arg(channel).arg(text);
}
inline QString rowUnknownDirection(int channel, const QString &text)
{
    return QStringLiteral("通道 %1：方向 \"%2\" 无法识别，按 Rx&Tx 收入配置")
        .arg(channel)
        .arg(text);
}
inline QString rowBadNumber(const QString &text)
{
    return QStringLiteral("通道号 \"%1\" 不在 0 到 63 之间，该行未收入配置").arg(text);
}

inline QString channelLabel(int number)
{
    return QStringLiteral("通道 %1").arg(number);
}
inline QString freeChannel()
{
    return QStringLiteral("（空）");
}
inline QString noValue()
{
    return QStringLiteral("（无）");
}

// Backups.
inline QString backupFolderFailed(const QString &path)
{
    return QStringLiteral("无法创建备份文件夹 %1").arg(shown(path));
}
inline QString backupNotAFolder(const QString &path)
{
    return QStringLiteral("备份位置 %1 不是文件夹").arg(shown(path));
}
inline QString backupWriteFailed(const QString &path, const QString &reason)
{
    return QStringLiteral("无法写入备份 %1：%2").arg(shown(path), reason);
}
inline QString noSerialFolder()
{
    return QStringLiteral("无序列号");
}

} // namespace quenda::profiletexts
