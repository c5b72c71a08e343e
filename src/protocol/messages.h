#pragma once

#include <QString>

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
inline QString deviceGone() { return QStringLiteral("设备已拔出或不再响应"); }
inline QString portAvailable() { return QStringLiteral("可用"); }
inline QString portNoPermission() { return QStringLiteral("无权限"); }
inline QString noPermissionHint()
{
    return QStringLiteral("没有打开该设备的权限。请把当前用户加入 dialout 组，然后重新登录。");
}

} // namespace quenda::messages
