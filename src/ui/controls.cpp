#include "ui/controls.h"

#include "ui/formlayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarnwell {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(labelFont());
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFont(buttonFont());
    button->setAutoDefault(false);
    return button;
}

QLineEdit* makeBox(QWidget* parent, const QString& name, bool bold)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setFont(boxFont(bold));
    return box;
}

QString rowName(const char* prefix, int row)
{
    return QString::fromUtf8(prefix) + QString::number(row % 10);
}

void TabChain::add(QWidget* next)
{
    if (m_previous)
        QWidget::setTabOrder(m_previous, next);
    m_previous = next;
}

void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tarnwell
