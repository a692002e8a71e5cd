#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>
#include <vector>

// Drives modal windows: run(action) calls action, which opens modal windows one after another; each step
// gets the modal window active when it runs. The next step is armed before a step runs, since a click may
// open the next window from inside the click. A window that never appears fails the test instead of
// hanging it.
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;

    ModalScript& then(Step step) {
        m_steps.push_back(std::move(step));
        return *this;
    }

    void run(const std::function<void()>& action) {
        m_next = 0;
        m_missing = false;
        arm();
        action();
        QVERIFY2(!m_missing, "a scripted window did not appear");
        QCOMPARE(m_next, m_steps.size());
    }

private:
    void arm() {
        if (m_next < m_steps.size())
            QTimer::singleShot(0, [this] { poll(0); });
    }
    void poll(int attempt) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (attempt < 400)
                QTimer::singleShot(5, [this, attempt] { poll(attempt + 1); });
            else
                m_missing = true;
            return;
        }
        const Step step = m_steps.at(m_next++);
        arm();
        step(modal);
        if (QTest::currentTestFailed())
            closeAll();
    }
    // A failed step leaves its window open; close every modal window so the test ends.
    static void closeAll() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            QTimer::singleShot(0, &ModalScript::closeAll);
        }
    }

    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_missing = false;
};
