#pragma once

#include <QObject>
#include <QThread>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

namespace nakilon {

class DeviceControl;

// The one thread that talks to the terminals. A command hands its terminal
// work to run(); the window's thread goes on handling events (repaints, moves,
// the close button, the questions the work asks) until that work has ended,
// however long a terminal takes to answer.
//
// The terminal maker's control is apartment-threaded: the device controls are
// made on this thread (makeControl), called only from it and destroyed on it
// when the worker ends. Its event loop is the message loop the control needs.
class DeviceWorker {
public:
    DeviceWorker();
    // Destroys the controls it made, on its thread, then ends the thread.
    ~DeviceWorker();
    DeviceWorker(const DeviceWorker&) = delete;
    DeviceWorker& operator=(const DeviceWorker&) = delete;

    // Runs `work` on the worker thread and returns when it has ended,
    // rethrowing what it threw. Every row change and question that the work
    // queued to the window's thread has been handled by then. Work handed over
    // while other work runs waits for it.
    void run(const std::function<void()>& work);
    // Whether work is under way.
    bool busy() const { return m_depth > 0; }

    // The operator asked the program to stop: work over several terminals
    // stops after the one in hand. Cleared when the next work starts.
    void requestStop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }

    // A device control made by `make` on the worker thread, owned by the
    // worker.
    DeviceControl& makeControl(const std::function<std::unique_ptr<DeviceControl>()>& make);

    // The object whose thread is the worker's, for queued calls to it.
    QObject* context() const { return m_context.get(); }

private:
    QThread m_thread;
    std::unique_ptr<QObject> m_context;
    std::vector<std::unique_ptr<DeviceControl>> m_controls;
    int m_depth = 0;
    std::atomic<bool> m_stop{false};
};

// Calls `call` on the thread of `context` and waits for it to return; at once
// when that is the calling thread. What it throws is thrown here.
void callOnThreadOf(QObject* context, const std::function<void()>& call);

// Queues `call` for the thread of `context` and returns at once. Calls queued
// from one thread run in the order they were queued.
void postToThreadOf(QObject* context, std::function<void()> call);

} // namespace nakilon
