#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"

#include <QDir>
#include <QtTest>

class TestDialogs : public QObject {
    Q_OBJECT
private slots:
    void init() {
        MessageBox::reset();
        FileDialog::reset();
        MessageBox::setPresenter(nullptr);
        FileDialog::setPresenter(nullptr);
    }

    void queuedAnswersAreTakenInOrderAndRecorded() {
        MessageBox::setNextAnswer(MessageBox::No);
        MessageBox::setNextAnswer(MessageBox::Cancel);
        QCOMPARE(MessageBox::show("first", "T1", MessageBox::Warning, MessageBox::Yes | MessageBox::No),
                 MessageBox::No);
        QCOMPARE(MessageBox::show("second", "T2", MessageBox::NoIcon, MessageBox::Ok | MessageBox::Cancel),
                 MessageBox::Cancel);
        QCOMPARE(MessageBox::history().size(), 2);
        QCOMPARE(MessageBox::history().at(0).text, QStringLiteral("first"));
        QCOMPARE(MessageBox::history().at(0).icon, MessageBox::Warning);
        QCOMPARE(MessageBox::last().title, QStringLiteral("T2"));
        QCOMPARE(MessageBox::last().answer, MessageBox::Cancel);
    }

    void withoutAnAnswerTheDefaultOrFirstButtonIsChosen() {
        QCOMPARE(MessageBox::show("q", "", MessageBox::Question, MessageBox::Yes | MessageBox::No, MessageBox::No),
                 MessageBox::No);
        QCOMPARE(MessageBox::show("q", "", MessageBox::Question, MessageBox::Yes | MessageBox::No), MessageBox::Yes);
        QCOMPARE(MessageBox::critical("fatal"), MessageBox::Ok);
        QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
    }

    void presenterAnswersWhenNothingIsQueued() {
        int calls = 0;
        MessageBox::setPresenter([&](const MessageBox::Shown& s) {
            ++calls;
            return s.text == "retry?" ? MessageBox::Retry : MessageBox::Ok;
        });
        MessageBox::setNextAnswer(MessageBox::Abort);
        QCOMPARE(MessageBox::show("retry?", "", MessageBox::Warning, MessageBox::Abort | MessageBox::Retry),
                 MessageBox::Abort);
        QCOMPARE(calls, 0);
        QCOMPARE(MessageBox::show("retry?", "", MessageBox::Warning, MessageBox::Abort | MessageBox::Retry),
                 MessageBox::Retry);
        QCOMPARE(calls, 1);
    }

    void fileDialogsAreCancelledUnlessAnswered() {
        QVERIFY(FileDialog::getOpenFileName("Open", "/tmp", "All (*)").isEmpty());
        FileDialog::setNextFileName("/tmp/a.opn");
        FileDialog::setNextDirectory("/tmp/");
        QCOMPARE(FileDialog::getSaveFileName("Save", "/tmp", "Setups (*.opn)", true), QStringLiteral("/tmp/a.opn"));
        QVERIFY(FileDialog::last().confirmOverwrite);
        QCOMPARE(FileDialog::getExistingDirectory("Folder", "/"), QStringLiteral("/tmp/"));
        QCOMPARE(FileDialog::last().kind, FileDialog::Folder);
        QCOMPARE(FileDialog::history().size(), 3);
        QCOMPARE(FileDialog::pendingAnswers(), 0);
    }

    // A dialog given no folder starts in the home folder, later where the last one ended; never at the root.
    void dialogsStartWhereTheUserIs() {
        QVERIFY(FileDialog::getOpenFileName("Open", QString(), "All (*)").isEmpty());
        QCOMPARE(FileDialog::last().directory, QDir::homePath());
        FileDialog::setNextFileName("/srv/data/key.bin");
        FileDialog::getSaveFileName("Save", QString(), "All (*)");
        QCOMPARE(FileDialog::last().directory, QDir::homePath());
        FileDialog::getExistingDirectory("Folder", QString());
        QCOMPARE(FileDialog::last().directory, QStringLiteral("/srv/data"));
        FileDialog::setNextDirectory("/srv/other/");
        FileDialog::getExistingDirectory("Folder", QString());
        FileDialog::getOpenFileName("Open", QString(), "All (*)");
        QCOMPARE(FileDialog::last().directory, QStringLiteral("/srv/other/"));
        FileDialog::getOpenFileName("Open", "/given", "All (*)");
        QCOMPARE(FileDialog::last().directory, QStringLiteral("/given"));
    }
};

QTEST_GUILESS_MAIN(TestDialogs)
#include "test_dialogs.moc"
