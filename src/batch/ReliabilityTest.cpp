#include "batch/ReliabilityTest.h"

#include "batch/OperationSetup.h"
#include "files/FileProc.h"
#include "key/KeyMaterial.h"
#include "key/RandomKey.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"

#include <QDir>

namespace {

const QString crlf = QStringLiteral("\r\n");

// Names the floppy drives of a drive-letter path; every other path counts as a hard disk.
bool onFloppy(const QString& path) {
    return path.size() >= 2 && path.at(1) == QLatin1Char(':') &&
           (path.at(0).toUpper() == QLatin1Char('A') || path.at(0).toUpper() == QLatin1Char('B'));
}

} // namespace

namespace ReliabilityTest {

QString withExtension(const QString& text, const QString& extension) {
    return text.left(qMax<qsizetype>(0, text.size() - 3)) + extension;
}

bool setupNamesTest(const OperationSetup& setup, bool testRunning) {
    const QString& folder = setup.strDirpath[OperationSetup::kInput];
    const QString& spec = setup.strFilespec[OperationSetup::kInput];
    if (folder.isEmpty() || onFloppy(folder) || !setup.blnEncrypt || setup.blnSubdirectories || testRunning)
        return false;
    const QString ending = QLatin1String(testFolderName) + QLatin1Char('/');
    const QString nativeEnding = QLatin1String(testFolderName) + QDir::separator();
    if (!folder.endsWith(ending) && !folder.endsWith(nativeEnding))
        return false;
    const qsizetype dot = spec.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && spec.mid(dot + 1) == QLatin1String(testExtension);
}

QStringList decryptedNames(const QStringList& encryptedNames, const QString& decryptedSpec) {
    QStringList names;
    for (const QString& name : encryptedNames) {
        int code = 0;
        names << FileProc::OutputNameFromSpec(name, decryptedSpec, code);
    }
    return names;
}

QString header(qint64 pass, qint64 passes, qint64 numFiles, const QString& outputFolder, const QByteArray& keyAsInput,
               bool keyIsText) {
    QString text;
    if (passes > 1)
        text += QStringLiteral("Reliability test #") + QString::number(pass) + QStringLiteral(" of ") +
                QString::number(passes) + crlf;
    text += QString::number(numFiles) + QStringLiteral(" test file") +
            (numFiles == 1 ? QString() : QStringLiteral("s")) + QStringLiteral(" in ") + outputFolder + crlf;
    text += QString::number(keyAsInput.size()) + QStringLiteral("-byte ");
    if (keyIsText)
        text += QStringLiteral("text key: ") + QString::fromLatin1(keyAsInput);
    else
        text += QStringLiteral("non-text key");
    return text;
}

QString comparisonResultText(qint64 result) {
    if (result >= 0)
        return QStringLiteral("Files differ at byte ") + QString::number(result) + QLatin1Char('.');
    switch (result) {
    case -1:
        return QStringLiteral("identical");
    case -11:
        return QStringLiteral("Unable to open first file.");
    case -12:
        return QStringLiteral("Unable to open second file.");
    case -21:
        return QStringLiteral("Unable to read first file.");
    case -22:
        return QStringLiteral("Unable to read second file.");
    case -31:
        return QStringLiteral("First file is empty.");
    case -32:
        return QStringLiteral("Second file is empty.");
    default:
        return QString();
    }
}

QString comparisonLine(const QString& outputName, const QString& extension, qint64 result) {
    return withExtension(outputName, extension) + QStringLiteral(", ") + outputName + QStringLiteral(": ") +
           comparisonResultText(result);
}

QString failureLines(const QByteArray& keyAsInput) {
    QString codes;
    for (char c : keyAsInput)
        codes += QString::number(uchar(c)) + QLatin1Char(' ');
    return QStringLiteral("Reliability test failed.") + crlf + QStringLiteral("Ascii values of bytes in key:") + crlf +
           codes + crlf;
}

QString timesText(qint64 passes) {
    if (passes == 1)
        return QStringLiteral("once");
    if (passes == 2)
        return QStringLiteral("twice");
    return QString::number(passes) + QStringLiteral(" times");
}

QString successLines(qint64 passes, bool longList) {
    return (longList ? crlf : QString()) + crlf + QStringLiteral("The reliability test was performed ") +
           timesText(passes) + QLatin1Char('.') + crlf +
           QStringLiteral("All decrypted files were found to be identical with the original files.");
}

QString stoppedTitle() {
    return QStringLiteral("Reliability test stopped");
}

QString stoppedMessage() {
    return QStringLiteral("Since the output files have the same names as the input files, ") + crlf +
           QStringLiteral("it is likely that some of the .tst files will be encrypted ") + crlf +
           QStringLiteral("and some not.  You may wish to set up the .tst files again.");
}

QString copyFailureMessage() {
    return QStringLiteral("Unable to copy specified .tst files to .bak files.");
}

QString okSoFar() {
    return crlf + QStringLiteral("OK so far ... ");
}

bool compareFiles(const Comparison& c, const Append& append, const Compare& compare) {
    const QString heading = header(c.pass, c.passes, c.numFiles, c.outputFolder, c.keyAsInput, c.keyIsText);
    append(heading + crlf + crlf, false);
    bool identical = true;
    for (const QString& name : c.outputNames) {
        const QString decrypted = c.outputFolder + name;
        const qint64 result = compare(withExtension(decrypted, c.extension), decrypted);
        append(comparisonLine(name, c.extension, result) + crlf, true);
        if (result != -1) {
            append(failureLines(c.keyAsInput), true);
            identical = false;
            break;
        }
    }
    if (c.numFiles > longListFiles)
        append(crlf + heading, true);
    return identical;
}

} // namespace ReliabilityTest

void ReliabilityTestHost::GenerateRandomTextKey() {
    RandomKey::GenerateRandomTextKey(key());
}

namespace {

// The key the user set up, put back once the test is over: the passes after the first run on random keys
// the user never chose, and a key panel still showing the old checksum must not be left over a key that
// differs from it. Once the program is ending the key is not put back but wiped.
class KeyKeeper {
public:
    KeyKeeper(frmKeyFrom& key, const ReliabilityTestHost& host)
        : m_key(key), m_host(host), m_strKey(key.strKey), m_strKeyAsInput(key.strKeyAsInput),
          m_intKeyFrom(key.intKeyFrom) {
        m_strKey.detach();
        m_strKeyAsInput.detach();
    }
    ~KeyKeeper() {
        if (m_host.programEnding()) {
            KeyMaterial::wipe(m_key.strKey);
            KeyMaterial::wipe(m_key.strKeyAsInput);
        } else {
            KeyMaterial::replace(m_key.strKey, m_strKey);
            KeyMaterial::replace(m_key.strKeyAsInput, m_strKeyAsInput);
            m_key.intKeyFrom = m_intKeyFrom;
        }
        KeyMaterial::wipe(m_strKey);
        KeyMaterial::wipe(m_strKeyAsInput);
    }
    KeyKeeper(const KeyKeeper&) = delete;
    KeyKeeper& operator=(const KeyKeeper&) = delete;

private:
    frmKeyFrom& m_key;
    const ReliabilityTestHost& m_host;
    QByteArray m_strKey;
    QByteArray m_strKeyAsInput;
    int m_intKeyFrom;
};

enum class PassEnd { Next, Last, Ended };

// One pass's encryption and decryption (in place, the originals kept as .bak first); false when the test
// ends here.
bool encryptAndDecrypt(ReliabilityTestHost& host, ReliabilityTestState& state, OperationSetup& setup,
                       const QString& folder, const QString& spec, bool inPlace) {
    using namespace ReliabilityTest;
    constexpr int in = OperationSetup::kInput;
    constexpr int out = OperationSetup::kOutput;
    const QString bak = QStringLiteral("bak");
    const QString enc = QStringLiteral("enc");
    if (inPlace) {
        if (host.CopyMatchingFiles(folder, spec, folder, withExtension(spec, bak), true) != 0) {
            MessageBox::show(copyFailureMessage(), QStringLiteral("Error"), MessageBox::Warning);
            return false;
        }
        host.doIt();
        if (host.runStopped()) {
            if (!host.programEnding())
                MessageBox::show(stoppedMessage(), stoppedTitle(), MessageBox::Information);
            return false;
        }
        if (host.doItAborted()) {
            state.blnReliabilityTestFailed = false;
            return false;
        }
        host.function();
        host.doIt();
        if (host.runStopped()) {
            if (!host.programEnding())
                MessageBox::show(stoppedMessage(), stoppedTitle(), MessageBox::Information);
            return false;
        }
    } else {
        setup.strFilespec[out] = withExtension(spec, enc);
        host.ShowAllFileStatus();
        host.doIt();
        if (host.runStopped())
            return false;
        if (host.doItAborted()) {
            state.blnReliabilityTestFailed = false;
            return false;
        }
        host.function();
        setup.strFilespec[in] = withExtension(spec, enc);
        setup.strFilespec[out] = withExtension(spec, QStringLiteral("dec"));
        host.ShowAllFileStatus();
        host.doIt();
        if (host.runStopped())
            return false;
    }
    return true;
}

} // namespace

void RunReliabilityTest(ReliabilityTestHost& host, ReliabilityTestState& state) {
    using namespace ReliabilityTest;
    OperationSetup& setup = host.setup();
    constexpr int in = OperationSetup::kInput;
    constexpr int out = OperationSetup::kOutput;

    setup.RememberSetup();
    setup.CopyInputToOutput();
    const QString folder = setup.strDirpath[in];
    // Its files are named after the input's: a single file's exact name reads as the name itself.
    const QString spec = FileProc::InputSpecShown(setup.strFilespec[in]);
    const QString bak = QStringLiteral("bak");
    const QString enc = QStringLiteral("enc");
    host.testStarted();
    state.blnReliabilityTestFailed = false;
    host.setDoItAborted(false);

    bool completed = false; // the last pass was compared and matched
    qint64 pass = 0;
    {
        KeyKeeper keeper(host.key(), host);
        // Whatever an earlier pass or test left behind.
        const QStringList leftovers = {QStringLiteral("*.enc"), QStringLiteral("*.dec"), QStringLiteral("*.bak")};
        for (pass = 1; pass <= state.intNumReliabilityTests; ++pass) {
            QDir dir(folder);
            for (const QString& file : dir.entryList(leftovers, QDir::Files | QDir::Hidden | QDir::System))
                dir.remove(file);

            // Encrypt, without subfolders, keeping the output switch.
            setup.blnEncrypt = false;
            setup.blnSubdirectories = true;
            setup.blnOutputFilesSame = !setup.blnOutputFilesSame;
            host.ReplaySwitches();
            const bool inPlace = setup.blnOutputFilesSame;

            if (!encryptAndDecrypt(host, state, setup, folder, spec, inPlace))
                break;

            state.intReliabilityTestNum = pass;
            if (!host.FileComparison(inPlace ? bak : QLatin1String(testExtension)))
                state.blnReliabilityTestFailed = true;
            if (state.blnReliabilityTestFailed)
                break;
            if (pass >= state.intNumReliabilityTests) {
                completed = true;
                break;
            }

            host.beginInterval(!inPlace);
            host.appendToReport(okSoFar());
            host.waitForNextKey();
            host.endInterval(!inPlace);
            if (host.runStopped())
                break;
            if (!inPlace) {
                setup.strFilespec[in] = withExtension(spec, QLatin1String(testExtension));
                setup.strFilespec[out] = withExtension(spec, enc);
            }
            host.GenerateRandomTextKey();
        }
    }

    host.showCloseButton();
    if (completed)
        host.appendToReport(successLines(pass, host.numFiles() > longListFiles));
    host.testEnded();
    host.cmdRestoreSetup_Click();
    host.focusReport();
}
