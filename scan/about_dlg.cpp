#include "scan/about_dlg.h"

#include "platform/dialog_units.h"
#include "scan/scan_fonts.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int kIconPixels = 32;

QLabel* textLine(QWidget* parent, const char* text, int y, int width) {
    auto* line = new QLabel(QString::fromUtf8(text), parent);
    line->setGeometry(platform::dluRect(40, y, width, 8));
    return line;
}

}  // namespace

const char* CAboutDlg::versionLine() { return "KV275Scan Version 1.0"; }

CAboutDlg::CAboutDlg(const QIcon& icon, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About KV275 Scanner"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(scanfonts::dialogFont());
    setWindowIcon(icon);
    setFixedSize(platform::dluToPixelsX(217), platform::dluToPixelsY(55));

    iconLabel_ = new QLabel(this);
    iconLabel_->setPixmap(icon.pixmap(kIconPixels, kIconPixels));
    iconLabel_->setGeometry(platform::dluToPixelsX(11), platform::dluToPixelsY(17), kIconPixels, kIconPixels);

    // The first line stops short of the OK button beside it.
    textLine(this, versionLine(), 10, 134);
    textLine(this, "Bus scanner for KV275 inclination sensors", 25, 170);
    textLine(this, "Made by the KV275 bus tools project", 40, 170);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(platform::dluRect(178, 7, 32, 14));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}
