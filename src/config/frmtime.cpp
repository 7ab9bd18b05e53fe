#include "config/frmtime.h"

#include "platform/errortrap.h"
#include "ui/controls.h"
#include "ui/formlayout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarnwell {

namespace {

QString textOf(QWidget* field)
{
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->currentText();
    return static_cast<QLineEdit*>(field)->text();
}

void setTextOf(QWidget* field, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(field))
        combo->setEditText(text);
    else
        static_cast<QLineEdit*>(field)->setText(text);
}

} // namespace

FrmTime::FrmTime(QWidget* owner, QLineEdit* configTime, QPushButton* configClose, MessageBox& box)
    : QWidget(owner, Qt::Dialog), m_box(box), m_configTime(configTime), m_configClose(configClose)
{
    setObjectName(QStringLiteral("frmTime"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Time Setting"));
    setClientTwips(this, 5415, 1575);
    buildControls();
    Form_Load();
}

void FrmTime::buildControls()
{
    const auto label = [this](const char* name, const char* caption, int left, int top, int width) {
        QLabel* control = makeLabel(this, QString::fromUtf8(name), QString::fromUtf8(caption));
        placeTwips(control, left, top, width, 375);
        return control;
    };
    // The colons stand between the boxes, level with their text.
    const auto colon = [&label](const char* name, int left) {
        label(name, ":", left, 480, 255)->setAlignment(Qt::AlignCenter);
    };
    const auto field = [this](const char* name, int left) {
        QLineEdit* control = makeBox(this, QString::fromUtf8(name), true);
        placeTwips(control, left, 480, 615, 375);
        control->installEventFilter(this);
        return control;
    };
    const auto button = [this](const char* name, const char* caption, int left, int width) {
        QPushButton* control =
            makeButton(this, QString::fromUtf8(name), QString::fromUtf8(caption));
        // A click leaves the focus in the field being edited; Set Time checks it itself.
        // A message box opened by a focus change in the middle of a click would leave the
        // button drawn pressed.
        control->setFocusPolicy(Qt::TabFocus);
        placeTwips(control, left, 960, width, 495);
        return control;
    };

    label("lblTime", "Time To Backup", 120, 480, 1815);
    label("lblHour", "Hr", 2040, 120, 615);
    label("lblMinute", "Mn", 2880, 120, 615);
    label("lblSecond", "Sc", 3720, 120, 615);
    label("lblAP", "AmPm", 4440, 120, 735);
    m_txtHour = field("txtHour", 2040);
    colon("lblS1", 2640);
    m_txtMinute = field("txtMinute", 2880);
    colon("lblS2", 3480);
    m_txtSecond = field("txtSecond", 3720);
    colon("lblS3", 4320);

    m_txtAMPM = new QComboBox(this);
    m_txtAMPM->setObjectName(QStringLiteral("txtAMPM"));
    m_txtAMPM->setEditable(true);
    m_txtAMPM->setInsertPolicy(QComboBox::NoInsert);
    m_txtAMPM->setCompleter(nullptr); // what is typed stays as typed until the field is left
    m_txtAMPM->addItems({QStringLiteral("AM"), QStringLiteral("PM")});
    m_txtAMPM->setCurrentIndex(-1);
    m_txtAMPM->setEditText(QString());
    m_txtAMPM->setFont(boxFont(true));
    placeTwips(m_txtAMPM, 4560, 480, 735, 360);
    m_txtAMPM->installEventFilter(this);

    m_cmdSetTime = button("cmdSetTime", "Set Time", 120, 3615);
    m_cmdClose = button("cmdClose", "Close", 3840, 1455);
    connect(m_cmdSetTime, &QPushButton::clicked, this, &FrmTime::cmdSetTime_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &FrmTime::cmdClose_Click);

    setTabOrder(m_cmdClose, m_txtHour);
    setTabOrder(m_txtHour, m_txtMinute);
    setTabOrder(m_txtMinute, m_txtSecond);
    setTabOrder(m_txtSecond, m_txtAMPM);
    setTabOrder(m_txtAMPM, m_cmdSetTime);
    m_cmdClose->setFocus();
}

bool FrmTime::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && !m_closing) {
        // Switching windows or opening the drop-down list does not leave the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const QWidget* next = QApplication::focusWidget();
        const bool intoPopup = next && next->window()->windowType() == Qt::Popup;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !intoPopup) {
            if (watched == m_txtHour)
                txtHour_LostFocus();
            else if (watched == m_txtMinute)
                txtMinute_LostFocus();
            else if (watched == m_txtSecond)
                txtSecond_LostFocus();
            else if (watched == m_txtAMPM)
                txtAMPM_LostFocus();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FrmTime::closeEvent(QCloseEvent* event)
{
    // Closing by the window frame does what the Close button does.
    m_closing = true;
    enableConfigClose();
    event->accept();
}

void FrmTime::Form_Load()
{
    errorTrap(m_box, " in Form_Load", [this] {
        if (m_configClose)
            m_configClose->setEnabled(false);
    });
}

void FrmTime::txtHour_LostFocus()
{
    errorTrap(m_box, {}, [this] { applyCheck(m_txtHour, checkHour); });
}

void FrmTime::txtMinute_LostFocus()
{
    errorTrap(m_box, {}, [this] { applyCheck(m_txtMinute, checkMinute); });
}

void FrmTime::txtSecond_LostFocus()
{
    errorTrap(m_box, {}, [this] { applyCheck(m_txtSecond, checkSecond); });
}

void FrmTime::txtAMPM_LostFocus()
{
    errorTrap(m_box, {}, [this] { applyCheck(m_txtAMPM, checkAmPm); });
}

bool FrmTime::applyCheck(QWidget* field, FieldCheck (*check)(const std::string&))
{
    const FieldCheck result = check(textOf(field).toStdString());
    setTextOf(field, QString::fromStdString(result.text));
    if (!result.accepted) {
        m_box.show(result.message, kCheckTitle, MessageIcon::Information);
        field->setFocus(Qt::OtherFocusReason);
    }
    return result.accepted;
}

void FrmTime::cmdSetTime_Click()
{
    errorTrap(m_box, {}, [this] {
        // The others passed when they were left; only the field being edited, or an empty
        // one taking its default, can still change here. An invalid time goes nowhere.
        if (!applyCheck(m_txtHour, checkHour) || !applyCheck(m_txtMinute, checkMinute) ||
            !applyCheck(m_txtSecond, checkSecond) || !applyCheck(m_txtAMPM, checkAmPm))
            return;
        const std::string time = joinBackupTime(
            m_txtHour->text().toStdString(), m_txtMinute->text().toStdString(),
            m_txtSecond->text().toStdString(), m_txtAMPM->currentText().toStdString());
        if (m_configTime)
            m_configTime->setText(QString::fromStdString(time));
        cmdClose_Click();
    });
}

void FrmTime::cmdClose_Click()
{
    errorTrap(m_box, {}, [this] {
        m_closing = true;
        enableConfigClose();
        hide();
        close();
    });
}

void FrmTime::enableConfigClose()
{
    if (m_configClose)
        m_configClose->setEnabled(true);
}

} // namespace tarnwell
