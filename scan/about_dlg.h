#pragma once
// The scanner's About box: program icon, name and version, and who made it.

#include <QDialog>
#include <QIcon>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(const QIcon& icon, QWidget* parent = nullptr);

    static const char* versionLine();
    QLabel* iconLabel() const { return iconLabel_; }
    QPushButton* okButton() const { return okButton_; }

private:
    QLabel* iconLabel_ = nullptr;
    QPushButton* okButton_ = nullptr;
};
