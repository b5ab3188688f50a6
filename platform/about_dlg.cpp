#include "platform/about_dlg.h"

#include "platform/dialog_units.h"
#include "platform/fonts.h"

#include <QLabel>
#include <QPushButton>

namespace platform {

namespace {

constexpr int kIconPixels = 32;

}  // namespace

CAboutDlg::CAboutDlg(const QIcon& icon, const AboutBoxLayout& layout, QWidget* parent) : QDialog(parent) {
    setWindowTitle(layout.title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setWindowIcon(icon);
    setFixedSize(dluToPixelsX(layout.widthUnits), dluToPixelsY(layout.heightUnits));

    iconLabel_ = new QLabel(this);
    iconLabel_->setPixmap(icon.pixmap(kIconPixels, kIconPixels));
    iconLabel_->setGeometry(dluToPixelsX(11), dluToPixelsY(17), kIconPixels, kIconPixels);

    for (const AboutBoxLine& line : layout.lines) {
        auto* label = new QLabel(line.text, this);
        label->setGeometry(dluRect(line.units));
        lineLabels_.push_back(label);
    }

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(dluRect(layout.okButtonUnits));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace platform
