#include "protocol/filereason.h"

#include <QFile>
#include <QFileDevice>

namespace quenda {

QString fileErrorReason(const QFileDevice &file)
{
    QString kind;
    switch (file.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        kind = QStringLiteral("无法打开或创建文件");
        break;
    case QFileDevice::ReadError:
        kind = QStringLiteral("读取出错");
        break;
    case QFileDevice::WriteError:
    case QFileDevice::ResourceError:
        kind = QStringLiteral("写入出错（磁盘可能已满）");
        break;
    case QFileDevice::RenameError:
        kind = QStringLiteral("无法替换原有文件");
        break;
    default:
        kind = QStringLiteral("文件操作出错");
        break;
    }
    // A partial write leaves Qt without a reason; its placeholder text would tell nothing.
    const QString detail = file.errorString();
    return detail.isEmpty() || detail == QFile().errorString()
               ? kind
               : QStringLiteral("%1（%2）").arg(kind, detail);
}

} // namespace quenda
