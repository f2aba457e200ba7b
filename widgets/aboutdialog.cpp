#include "aboutdialog.h"

#include "linklabel.h"
#include "productlinks.h"
#include "ui_aboutdialog.h"

#include <QCoreApplication>
#include <QLayout>

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setLinkLabel(ui->websiteLabel, ProductLinks::website(), ProductLinks::websiteName());
    setLinkLabel(ui->emailLabel, QStringLiteral("mailto:") + ProductLinks::supportEmail(),
                 ProductLinks::supportEmail());
    ui->versionLabel->setText(tr("Version: ") + QStringLiteral(VISTALOOM_VERSION));
    ui->iconImageView->setImage(QImage(QStringLiteral(":/Images/VLIcon1024.png")));
}

AboutDialog::~AboutDialog() = default;
