#ifndef VISTALOOM_ABOUTDIALOG_H
#define VISTALOOM_ABOUTDIALOG_H

#include <QDialog>

#include <memory>

namespace Ui {
class AboutDialog;
}

// The about box: icon, version, web site and support address.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent);
    ~AboutDialog() override;

private:
    std::unique_ptr<Ui::AboutDialog> ui;
};

#endif
