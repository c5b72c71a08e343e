#pragma once

#include "protocol/factorydefaults.h"
#include "protocol/radioconfig.h"

#include <QString>
#include <QStringList>

// What quenda-cli says: help, progress on standard error, and why it stopped.
namespace quenda::cli::texts {

inline QString exitStatuses()
{
    return QStringLiteral(
        "退出状态：\n"
        "  0  成功\n"
        "  1  其他错误\n"
        "  2  命令行有误\n"
        "  3  配置文件无法读取、无法写入，或不能用于这台电台\n"
        "  4  端口错误：没有该端口、端口被占用、没有权限，或连接中断\n"
        "  5  电台没有应答，或中途停止应答\n"
        "  6  电台拒绝了写入的值（回答 ERROR）\n"
        "  7  核对失败：保存后电台中的设置与写入的不一致，或无法核对\n"
        "130  被中断（Ctrl+C 或 SIGTERM）；电台已退出配置模式\n");
}

inline QString commonOptions()
{
    return QStringLiteral(
        "  --port N          端口：编号（7 或 COM7，与窗口程序相同：先找程序旁的 ports/com7，\n"
        "                    再按固定对照表），或设备路径（/dev/ttyUSB0）\n"
        "  --method M        连接方式：soft（软件诊断，默认）或 poweron（上电连接）\n"
        "  --log 文件        把通信记录（收发的每个字节）写入文件\n"
        "  -h, --help        显示本帮助\n");
}

// "51  Transparent ZV", from the code tables.
inline QString presetLine(int preset)
{
    const std::optional<SettingsSelection> s = selectionForPreset(preset, SettingsSelection{});
    if (!s)
        return {};
    QString line = QStringLiteral("  %1  %2").arg(preset).arg(tables::T186.text(s->protocolIndex));
    if (s->workModeIndex >= 0)
        line += QStringLiteral("，%1").arg(tables::T101.text(s->workModeIndex));
    if (s->bandwidthIndex >= 0)
        line += QStringLiteral("，%1，%2 bps").arg(tables::T125.text(s->bandwidthIndex),
                                                   tables::T102.text(s->baudIndex));
    return line + u'\n';
}

inline QString presetList()
{
    QString out;
    for (int preset : loadablePresets())
        out += presetLine(preset);
    return out;
}

inline QString portsHelp()
{
    return QStringLiteral("用法：quenda-cli ports\n\n"
                          "列出串口：编号、设备，以及能否打开（不能打开时说明原因）。\n\n") +
           exitStatuses();
}

inline QString readHelp()
{
    return QStringLiteral("用法：quenda-cli read --port N [--method soft|poweron] [-o 文件] [--log 文件]\n\n"
                          "连接电台，读取设置和通道表，把配置（JSON）写入文件或标准输出，\n"
                          "然后退出配置模式（ATA）。\n\n选项：\n"
                          "  -o, --output 文件 配置写入此文件，而不是标准输出\n") +
           commonOptions() + u'\n' + exitStatuses();
}

inline QString writeHelp()
{
    return QStringLiteral("用法：quenda-cli write --port N [--method soft|poweron] [--log 文件] 配置文件\n\n"
                          "连接电台，读取，写入配置文件中的设置：全部寄存器，以及与电台不同的通道；\n"
                          "保存后核对电台中的设置，然后退出配置模式（ATA）。\n\n选项：\n") +
           commonOptions() + u'\n' + exitStatuses();
}

inline QString defaultsHelp()
{
    return QStringLiteral("用法：quenda-cli defaults --port N [--method soft|poweron] [--log 文件] 预设\n\n"
                          "连接电台，读取，载入出厂预设（AT&F<预设>），保留单元地址和主、中继通道，\n"
                          "然后退出配置模式（ATA）。预设：\n") +
           presetList() + QStringLiteral("\n选项：\n") + commonOptions() + u'\n' + exitStatuses();
}

inline QString programHelp()
{
    return QStringLiteral("用法：quenda-cli <命令> [选项]\n\n"
                          "命令：\n"
                          "  ports      列出串口\n"
                          "  read       读取电台的配置\n"
                          "  write      把配置文件写入电台并核对\n"
                          "  defaults   恢复出厂默认值\n\n"
                          "quenda-cli <命令> --help 显示该命令的用法。\n\n") +
           exitStatuses();
}

// The command line.
inline QString noCommand() { return QStringLiteral("缺少命令"); }
inline QString unknownCommand(const QString &c) { return QStringLiteral("未知命令：%1").arg(c); }
inline QString unknownOption(const QString &o) { return QStringLiteral("未知选项：%1").arg(o); }
inline QString missingValue(const QString &o) { return QStringLiteral("选项 %1 缺少值").arg(o); }
inline QString badMethod(const QString &m)
{
    return QStringLiteral("未知连接方式：%1（可用 soft 或 poweron）").arg(m);
}
inline QString extraArgument(const QString &a) { return QStringLiteral("多余的参数：%1").arg(a); }
inline QString portRequired() { return QStringLiteral("缺少 --port"); }
inline QString profileRequired() { return QStringLiteral("缺少配置文件"); }
inline QString presetRequired() { return QStringLiteral("缺少预设编号"); }
inline QString badPreset(const QString &p)
{
    return QStringLiteral("没有预设 %1。可用的预设：\n%2").arg(p, presetList());
}
inline QString badPortNumber(const QString &p)
{
    return QStringLiteral("无效的端口：%1").arg(p);
}
inline QString usageHint() { return QStringLiteral("用 quenda-cli --help 查看用法。"); }
inline QString error(const QString &text) { return QStringLiteral("quenda-cli：%1").arg(text); }

// The port list.
inline QString portsHeading() { return QStringLiteral("编号    设备                  状态"); }
inline QString noPorts() { return QStringLiteral("没有找到串口。"); }

// Progress.
inline QString usingPort(const QString &com, const QString &device)
{
    return QStringLiteral("端口 %1（%2）").arg(com, device);
}
inline QString tryingRate(const QString &rate)
{
    return QStringLiteral("以 %1 bps 尝试连接电台……").arg(rate);
}
inline QString switchOn(int seconds)
{
    return QStringLiteral("请按住 CONFIG 键打开电台电源，%1 秒内……").arg(seconds);
}
inline QString secondsLeft(int seconds) { return QStringLiteral("  还剩 %1 秒").arg(seconds); }
inline QString reading() { return QStringLiteral("电台已进入配置模式，正在读取……"); }
inline QString readDone(const QString &serial, int channels)
{
    return QStringLiteral("读取完成：序列号 %1，%2 个通道").arg(serial.isEmpty() ? QStringLiteral("（无）") : serial).arg(channels);
}
inline QString skippedLine(const QString &note) { return QStringLiteral("  未收入：%1").arg(note); }
inline QString profileWritten(const QString &path) { return QStringLiteral("配置已写入 %1").arg(path); }
inline QString plan(int registers, int channels)
{
    return QStringLiteral("将写入 %1 个寄存器和 %2 个通道").arg(registers).arg(channels);
}
inline QString registerProgress(int done, int total)
{
    return QStringLiteral("写入寄存器 %1/%2").arg(done).arg(total);
}
inline QString channelProgress(int done, int total)
{
    return QStringLiteral("写入通道 %1/%2").arg(done).arg(total);
}
inline QString saved() { return QStringLiteral("保存完毕"); }
inline QString verified() { return QStringLiteral("已核对：电台中的设置与写入的一致"); }
inline QString loadingPreset(int preset) { return QStringLiteral("载入出厂预设 %1……").arg(preset); }
inline QString presetLoaded(const QString &protocol)
{
    return QStringLiteral("出厂预设已载入，电台报告协议：%1").arg(protocol);
}
inline QString left() { return QStringLiteral("已退出配置模式"); }
inline QString otherRadio(const QString &fileSerial, const QString &radioSerial)
{
    return QStringLiteral("注意：此配置来自电台 %1，当前电台为 %2").arg(fileSerial, radioSerial);
}

// Why it stopped.
inline QString readNoReport() { return QStringLiteral("电台没有回应读取命令"); }
inline QString radioSilent(int seconds)
{
    return QStringLiteral("电台 %1 秒没有回应").arg(seconds);
}
inline QString connectionLost() { return QStringLiteral("与电台的连接已断开"); }
inline QString interrupted() { return QStringLiteral("被中断"); }
inline QString logNotWritten(const QString &path, const QString &reason)
{
    return QStringLiteral("通信记录无法写入 %1：%2").arg(path, reason);
}
inline QString rowsBlocked(const QStringList &rows)
{
    return QStringLiteral("以下通道无法写入：\n%1").arg(rows.join(u'\n'));
}

} // namespace quenda::cli::texts
