#pragma once

#include "protocol/pendingchannels.h"

#include <QString>
#include <QStringList>

// The texts of the program's message boxes.
namespace quenda::messages {

inline QString choosePort() { return QStringLiteral("请选择端口！"); }
inline QString powerOnTimeout() { return QStringLiteral("未及时上电！"); }
inline QString softDiagnosticFailed() { return QStringLiteral("未连接，请检查设备！"); }
inline QString confirmSave() { return QStringLiteral("确定要将新配置写入存储器?"); }
inline QString confirmSaveCaption() { return QStringLiteral("保存"); }
inline QString channelsIncomplete() { return QStringLiteral("确保主通道和中继器通道不能为空！"); }
inline QString channelsIncompleteCaption() { return QStringLiteral("提示"); }
inline QString writeError() { return QStringLiteral("数据有误，请检查！"); }
inline QString saveComplete() { return QStringLiteral("保存完毕！"); }
inline QString frequencyRange() { return QStringLiteral("输入频段范围不对，请重新输入！"); }
inline QString frequencyValue() { return QStringLiteral("输入频率值不对，请重新输入！"); }
inline QString frequencyFormat() { return QStringLiteral("输入频率格式不对，请确认！"); }
inline QString readNoAnswer()
{
    return QStringLiteral("电台没有回应读取命令，请检查设备后按“关闭”退出配置模式！");
}
// One line per channel row that a save cannot write as it stands.
inline QString channelRowProblem(int row, RowProblem problem, const QString &text)
{
    switch (problem) {
    case RowProblem::UnreadableFrequency:
        return text.trimmed().isEmpty()
                   ? QStringLiteral("通道 %1：频率为空").arg(row)
                   : QStringLiteral("通道 %1：频率“%2”无法识别").arg(QString::number(row), text);
    case RowProblem::Incomplete:
        return QStringLiteral("通道 %1：频率、带宽或方向为空").arg(row);
    case RowProblem::UnknownBandwidth:
        return QStringLiteral("通道 %1：带宽“%2”无效").arg(QString::number(row), text);
    case RowProblem::FrequencyOutOfRange:
        return QStringLiteral("通道 %1：频率 %2 超出 410～480 MHz").arg(QString::number(row), text);
    }
    return {};
}
// A long list is cut short: the box must fit on the screen.
inline QString channelRowList(const QStringList &rows)
{
    constexpr int kShown = 12;
    if (rows.size() <= kShown)
        return rows.join(u'\n');
    return rows.first(kShown).join(u'\n') +
           QStringLiteral("\n……共 %1 个通道").arg(rows.size());
}
inline QString unreadableFrequencies(const QStringList &rows)
{
    return QStringLiteral("以下通道的频率无法识别，没有写入任何数据：\n%1\n请改正或清空这些通道后再保存！")
        .arg(channelRowList(rows));
}
inline QString rowsLeftOut(const QStringList &rows)
{
    return QStringLiteral("以下通道不会写入电台：\n%1\n确定跳过这些通道，继续保存?")
        .arg(channelRowList(rows));
}
inline QString confirmLeave() { return QStringLiteral("新配置尚未保存，确定要退出?"); }
inline QString confirmLeaveCaption() { return QStringLiteral("退出"); }
inline QString enterInteger() { return QStringLiteral("请输入一个整数。"); }

// Serial port and port selection.
inline QString portNotOpen() { return QStringLiteral("端口未打开"); }
inline QString portAlreadyOpen() { return QStringLiteral("端口已打开"); }
inline QString invalidPortNumber(int n) { return QStringLiteral("无效的端口号：%1").arg(n); }
inline QString invalidPortSettings(const QString &settings)
{
    return QStringLiteral("无效的端口设置：%1").arg(settings);
}
// `device` may be empty when the port number has no device on this system.
inline QString portOpenFailed(const QString &port, const QString &device, const QString &reason)
{
    return device.isEmpty() ? QStringLiteral("无法打开端口 %1：%2").arg(port, reason)
                            : QStringLiteral("无法打开端口 %1 (%2)：%3").arg(port, device, reason);
}
inline QString noSuchPort() { return QStringLiteral("没有这个端口"); }
inline QString portBusy() { return QStringLiteral("端口已被其他程序占用"); }
inline QString portLost(const QString &port, const QString &reason)
{
    return QStringLiteral("端口 %1 的连接已断开：%2").arg(port, reason);
}
inline QString settingsFileNotRegular(const QString &path)
{
    return QStringLiteral("设置文件 %1 不是普通文件，未读取端口设置。请重新选择端口。").arg(path);
}
inline QString deviceGone() { return QStringLiteral("设备已拔出或不再响应"); }
inline QString portAvailable() { return QStringLiteral("可用"); }
inline QString portNoPermission() { return QStringLiteral("无权限"); }
inline QString noPermissionHint()
{
    return QStringLiteral("没有打开该设备的权限。请把当前用户加入 dialout 组，然后重新登录。");
}

// Profiles, backups and the check after a save.
inline QString backupFailed(const QString &reason)
{
    return QStringLiteral("本次读取的配置未能备份：%1\n读取不受影响。本次运行中不再提示。").arg(reason);
}
inline QString profileFromOtherRadio(const QString &serialNumber)
{
    return QStringLiteral("此配置来自电台 %1。").arg(serialNumber);
}
inline QString unknownKeysIgnored(const QStringList &keys)
{
    return QStringLiteral("文件中的以下项无法识别，已忽略：\n%1").arg(keys.join(u'\n'));
}
inline QString rowsNotExported(const QStringList &notes)
{
    return QStringLiteral("以下信道未能收入配置：\n%1").arg(notes.join(u'\n'));
}
inline QString saveNotVerified(const QStringList &lines)
{
    return QStringLiteral("保存后电台中的设置与写入的不一致：\n%1").arg(lines.join(u'\n'));
}
inline QString verifyLine(const QString &label, const QString &written, const QString &held)
{
    return QStringLiteral("%1 写入 %2，电台中为 %3").arg(label, written, held);
}
inline QString saveReportMissing()
{
    return QStringLiteral("保存后未收到电台的配置报告，无法核对写入的设置。");
}
inline QString noBackups() { return QStringLiteral("还没有备份。每次完整读取电台后会自动备份。"); }

// The communication log.
inline QString commLogHeading(const QString &startedAt)
{
    return QStringLiteral("QUENDA 通信记录，开始于 %1（-> 发送，<- 接收）").arg(startedAt);
}
inline QString commLogPortOpened(const QString &port, const QString &settings)
{
    return QStringLiteral("打开端口 %1，%2").arg(port, settings);
}
inline QString commLogRate(const QString &settings) { return QStringLiteral("端口设置改为 %1").arg(settings); }
inline QString commLogPortClosed(const QString &port) { return QStringLiteral("关闭端口 %1").arg(port); }
inline QString commLogCount(quint64 entries) { return QStringLiteral("共 %1 条").arg(entries); }
// The view keeps the newest lines only; saving takes them all.
inline QString commLogCountCut(quint64 entries, int shown)
{
    return QStringLiteral("共 %1 条，窗口中只显示最近 %2 条，保存的文件包含全部").arg(entries).arg(shown);
}
inline QString commLogNotSaved(const QString &path, const QString &reason)
{
    return QStringLiteral("通信记录未能保存到 %1：%2").arg(path, reason);
}
inline QString folderMissing() { return QStringLiteral("文件夹不存在"); }
inline QString folderReadOnly() { return QStringLiteral("文件夹是只读的，请另选一个文件夹"); }

} // namespace quenda::messages
