#include "gui/widgets/DeviceWorker.h"

#include "core/device/DeviceControl.h"

#include <QEventLoop>

#include <utility>

namespace nakilon {

DeviceWorker::DeviceWorker() : m_context(std::make_unique<QObject>()) {
    m_thread.setObjectName(QStringLiteral("Cihaz"));
    m_context->moveToThread(&m_thread);
    m_thread.start();
}

DeviceWorker::~DeviceWorker() {
    try {
        callOnThreadOf(m_context.get(), [this] { m_controls.clear(); });
    } catch (...) {
        // A control that fails to close its link on the way out has nothing
        // left to lose: the program is ending.
    }
    m_thread.quit();
    m_thread.wait();
    // The context's thread has ended; it may be destroyed from here.
}

void DeviceWorker::run(const std::function<void()>& work) {
    if (m_depth++ == 0)
        m_stop = false;
    std::exception_ptr failure;
    QEventLoop loop;
    QMetaObject::invokeMethod(
        m_context.get(),
        [&] {
            try {
                work();
            } catch (...) {
                failure = std::current_exception();
            }
            // Queued behind every row change the work queued, so the window
            // shows them all before the command goes on.
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    loop.exec();
    --m_depth;
    if (failure)
        std::rethrow_exception(failure);
}

DeviceControl&
DeviceWorker::makeControl(const std::function<std::unique_ptr<DeviceControl>()>& make) {
    std::unique_ptr<DeviceControl> control;
    callOnThreadOf(m_context.get(), [&] { control = make(); });
    m_controls.push_back(std::move(control));
    return *m_controls.back();
}

void callOnThreadOf(QObject* context, const std::function<void()>& call) {
    if (QThread::currentThread() == context->thread()) {
        call();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        context,
        [&] {
            try {
                call();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void postToThreadOf(QObject* context, std::function<void()> call) {
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

} // namespace nakilon
