#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("aboutDialog");
    setWindowTitle("バージョン情報 Nestrix");

    auto* icon = new QLabel(this);
    icon->setObjectName("aboutIcon");
    icon->setPixmap(QIcon(":/icons/nestrix.svg").pixmap(32, 32));
    auto* version = new QLabel(QString("Nestrix Version %1").arg(NESTRIX_VERSION), this);
    version->setObjectName("aboutVersion");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(version, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    // The fixed size is the content's; wide enough too for the whole title and the title bar's
    // buttons, which a window manager would otherwise cut ("バージョン情…").
    layout->addStrut(fontMetrics().horizontalAdvance(windowTitle()) + 160);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
