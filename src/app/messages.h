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
inline QString enterInteger() { return QStringLiteral("请输入一个整数。"); }

} // namespace quenda::messages
