#pragma once

#include "config/timefields.h"
#include "platform/messagebox.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarnwell {

// The backup time window: composes the time from four checked fields and writes it into the
// configuration window's time box. It saves nothing. While it is open, the configuration
// window's Close button is disabled. Closing it, by any means, unloads it (WA_DeleteOnClose).
class FrmTime : public QWidget
{
    Q_OBJECT

public:
    // owner: the main window. configTime and configClose belong to the configuration window.
    FrmTime(QWidget* owner, QLineEdit* configTime, QPushButton* configClose, MessageBox& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void txtHour_LostFocus();
    void txtMinute_LostFocus();
    void txtSecond_LostFocus();
    void txtAMPM_LostFocus();
    void cmdSetTime_Click();
    void cmdClose_Click();

    // Writes the check's text back; a refused field shows its message and gets the focus.
    bool applyCheck(QWidget* field, FieldCheck (*check)(const std::string&));
    void enableConfigClose();

    MessageBox& m_box;
    QPointer<QLineEdit> m_configTime;
    QPointer<QPushButton> m_configClose;
    bool m_closing = false;

    QLineEdit* m_txtHour = nullptr;
    QLineEdit* m_txtMinute = nullptr;
    QLineEdit* m_txtSecond = nullptr;
    QComboBox* m_txtAMPM = nullptr;
    QPushButton* m_cmdSetTime = nullptr;
    QPushButton* m_cmdClose = nullptr;
};

} // namespace tarnwell
