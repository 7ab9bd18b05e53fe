#include "ui/background.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <thread>
#include <utility>

namespace tarnwell {

void runInBackground(const std::function<void()>& job, const std::function<void()>& ended)
{
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            job();
        } catch (...) {
            failure = std::current_exception();
        }
        // Posted after every change the job handed over, so those are all shown by then.
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                if (ended)
                    ended();
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void UiThreadMessageBox::show(const std::string& text, const std::string& title, MessageIcon icon)
{
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        m_shownBy.show(text, title, icon);
        return;
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { m_shownBy.show(text, title, icon); },
        Qt::BlockingQueuedConnection);
}

void UiThreadStatusBox::post(std::function<void()> change)
{
    QMetaObject::invokeMethod(&m_receiver, std::move(change), Qt::QueuedConnection);
}

void UiThreadStatusBox::setText(const std::string& text)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_text = text;
    }
    post([this, text] { m_shown.setText(text); });
}

std::string UiThreadStatusBox::text() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
}

void UiThreadStatusBox::repaint()
{
    // The windows' thread is free: it paints the box as soon as its text has changed.
}

void UiThreadStatusBox::showProgress(const std::string& line)
{
    post([this, line] { m_shown.showProgress(line); });
}

void UiThreadStatusBox::setReport(const std::string& text, const std::vector<std::string>& lines)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_text = text;
    }
    post([this, text, lines] { m_shown.setReport(text, lines); });
}

void UiThreadStatusBox::showDetail(const std::string& line)
{
    post([this, line] { m_shown.showDetail(line); });
}

} // namespace tarnwell
