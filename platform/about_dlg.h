#pragma once
// The About box every tool shows: its icon, name and version, and who made
// it. Each tool describes its box in one AboutBoxLayout, all in dialog units,
// and gets it with one constructor call.

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;

namespace platform {

struct AboutBoxLine {
    QString text;
    QRect units;  // x, y, width, height in dialog units
};

struct AboutBoxLayout {
    QString title;
    int widthUnits = 0;
    int heightUnits = 0;
    std::vector<AboutBoxLine> lines;
    QRect okButtonUnits;
};

// Shown in the 8-point dialog font, at a fixed size, with the 32-pixel icon
// at 11,17 units; OK (the default button) and Escape close it.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    CAboutDlg(const QIcon& icon, const AboutBoxLayout& layout, QWidget* parent = nullptr);

    QLabel* iconLabel() const { return iconLabel_; }
    QPushButton* okButton() const { return okButton_; }
    // One label per line of the layout, in its order.
    const std::vector<QLabel*>& lineLabels() const { return lineLabels_; }

private:
    QLabel* iconLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
    std::vector<QLabel*> lineLabels_;
};

}  // namespace platform
