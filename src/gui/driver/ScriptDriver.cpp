#include "gui/driver/ScriptDriver.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace nakilon {

namespace {

constexpr int PollMilliseconds = 20;
constexpr qint64 StepTimeoutMilliseconds = 120'000;

struct Step {
    QString line;
    QString verb;
    QString window;
    QString name;
    QString argument;
};

class ScriptDriver : public QObject {
public:
    ScriptDriver(std::vector<Step> steps, const QString& logFile)
        : QObject(qApp), m_steps(std::move(steps)), m_log(logFile) {
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            std::fprintf(stderr, "NAKILON_TEST_DRIVER: %s yazılamıyor\n", qPrintable(logFile));
            std::exit(3);
        }
        // A timer of its own: it goes on firing inside the modal loops that
        // the steps' commands open, while the click that opened them waits.
        connect(&m_timer, &QTimer::timeout, this, &ScriptDriver::poll);
        m_timer.start(PollMilliseconds);
        m_stepClock.start();
    }

private:
    void poll() {
        if (m_next >= m_steps.size()) {
            m_timer.stop();
            return;
        }
        const Step& step = m_steps[m_next];
        if (!commandWaitsForOperator() || !take(step)) {
            if (m_stepClock.elapsed() > StepTimeoutMilliseconds)
                fail(QStringLiteral("adım atılamadı: ") + step.line);
            return;
        }
        write(QStringLiteral("adım: ") + step.line);
        ++m_next;
        m_stepClock.restart();
    }

    // Whether the operator could act now: no command started by a step is
    // running, or the innermost one waits in a modal window it opened.
    bool commandWaitsForOperator() const {
        if (m_clickPending)
            return false;
        if (m_running.empty())
            return true;
        QWidget* modal = QApplication::activeModalWidget();
        return modal && modal->isVisible() && modal != m_running.back();
    }

    bool take(const Step& step) {
        if (step.verb == QLatin1String("click")) {
            auto* button = qobject_cast<QAbstractButton*>(findControl(step.window, step.name));
            if (!button || !reachable(button))
                return false;
            press(button);
            return true;
        }
        if (step.verb == QLatin1String("select")) {
            auto* view = qobject_cast<QAbstractItemView*>(findControl(step.window, step.name));
            bool number = false;
            const int row = step.argument.toInt(&number);
            if (!view || !reachable(view) || !number || !view->model() ||
                row >= view->model()->rowCount())
                return false;
            view->setCurrentIndex(view->model()->index(row, 0));
            return true;
        }
        if (step.verb == QLatin1String("close")) {
            QWidget* window = findWindow(step.window);
            if (!window || !reachable(window))
                return false;
            window->close();
            return true;
        }
        if (step.verb == QLatin1String("answer"))
            return answer(step.argument);
        fail(QStringLiteral("bilinmeyen adım: ") + step.line);
        return false;
    }

    bool answer(const QString& text) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return false;
        QAbstractButton* chosen = box->defaultButton();
        if (!text.isEmpty()) {
            chosen = nullptr;
            for (QAbstractButton* button : box->buttons())
                if (button->text().remove(QLatin1Char('&')) == text)
                    chosen = button;
        } else if (!chosen && !box->buttons().isEmpty()) {
            chosen = box->buttons().constFirst();
        }
        if (!chosen)
            return false;
        write(QStringLiteral("kutu: ") + box->windowTitle() + QStringLiteral(" | ") + box->text());
        press(chosen);
        return true;
    }

    static QWidget* findWindow(const QString& window) {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == window)
                return top;
        return nullptr;
    }

    static QWidget* findControl(const QString& window, const QString& name) {
        QWidget* top = findWindow(window);
        if (!top)
            return nullptr;
        // Dialogs are children of the windows that own them: a name counts
        // only in its own window.
        for (QWidget* control : top->findChildren<QWidget*>(name))
            if (control->window() == top)
                return control;
        return nullptr;
    }

    // Enabled, in an open window, and not behind a modal one.
    static bool reachable(const QWidget* control) {
        if (!control->isEnabled() || !control->window()->isVisible())
            return false;
        const QWidget* modal = QApplication::activeModalWidget();
        return !modal || control->window() == modal;
    }

    // The press happens in an event of its own, so that polling goes on while
    // the command it starts runs its own modal loops.
    void press(QAbstractButton* button) {
        m_clickPending = true;
        QTimer::singleShot(0, this, [this, target = QPointer<QAbstractButton>(button)] {
            m_running.push_back(QApplication::activeModalWidget());
            m_clickPending = false;
            if (target)
                target->click();
            m_running.pop_back();
        });
    }

    void write(const QString& text) {
        QTextStream(&m_log) << text << '\n';
        m_log.flush();
    }

    [[noreturn]] void fail(const QString& text) {
        write(QStringLiteral("HATA: ") + text);
        m_log.close();
        std::fprintf(stderr, "NAKILON_TEST_DRIVER: %s\n", qPrintable(text));
        std::fflush(stderr);
        // The program may be deep in modal loops; a test only needs it gone.
        std::_Exit(3);
    }

    std::vector<Step> m_steps;
    std::size_t m_next = 0;
    QFile m_log;
    QTimer m_timer;
    QElapsedTimer m_stepClock;
    std::vector<QPointer<QWidget>> m_running; // modal window at each running press
    bool m_clickPending = false;
};

std::vector<Step> readScript(QFile& file) {
    std::vector<Step> steps;
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        Step step;
        step.line = line;
        const qsizetype space = line.indexOf(QLatin1Char(' '));
        step.verb = line.left(space);
        QString rest = space < 0 ? QString() : line.mid(space + 1).trimmed();
        if (step.verb == QLatin1String("close")) {
            step.window = rest;
        } else if (step.verb != QLatin1String("answer")) {
            const qsizetype end = rest.indexOf(QLatin1Char(' '));
            const QString target = rest.left(end);
            step.argument = end < 0 ? QString() : rest.mid(end + 1).trimmed();
            const qsizetype slash = target.indexOf(QLatin1Char('/'));
            step.window = target.left(slash);
            step.name = slash < 0 ? QString() : target.mid(slash + 1);
        } else {
            step.argument = rest;
        }
        steps.push_back(step);
    }
    return steps;
}

} // namespace

bool startScriptDriverFromEnvironment() {
    const QString script = qEnvironmentVariable("NAKILON_TEST_DRIVER");
    if (script.isEmpty())
        return false;
    QFile file(script);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "NAKILON_TEST_DRIVER: %s okunamıyor\n", qPrintable(script));
        std::exit(3);
    }
    new ScriptDriver(readScript(file), script + QStringLiteral(".log"));
    return true;
}

} // namespace nakilon
