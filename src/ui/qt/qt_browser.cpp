#include "ui/qt/qt_browser.h"

#include <QDesktopServices>
#include <QUrl>

namespace kov::qt {

bool QtBrowser::openAddress(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::TolerantMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool QtBrowser::openFile(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

}  // namespace kov::qt
