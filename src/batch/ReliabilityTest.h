#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct OperationSetup;
class frmKeyFrom;

// What the reliability test dialog reports back, and the state of a test while it runs.
struct ReliabilityTestState {
    bool blnCancel = true;
    // The user chose to perform the test; true while it runs.
    bool blnPerformingReliabilityTest = false;
    qint64 intNumReliabilityTests = 1;
    // The pass being compared.
    qint64 intReliabilityTestNum = 0;
    // A comparison found a difference or could not be made.
    bool blnReliabilityTestFailed = false;
};

// Texts and rules of the reliability test: encrypt the test files, decrypt them, compare the results byte
// for byte with the files they came from, pass after pass with fresh random keys.
namespace ReliabilityTest {

inline constexpr char testFolderName[] = "zq4test";
inline constexpr char testExtension[] = "tst";
// A folder with more files than this has its header written again at the end of the comparison.
inline constexpr qint64 longListFiles = 11;

// The text with its last three characters replaced by the extension ("*.tst" -> "*.bak").
QString withExtension(const QString& text, const QString& extension);

// The setup names the test: encrypting *.tst-like files, without subfolders, in a folder named zq4test on
// a hard disk, and no test running yet.
bool setupNamesTest(const OperationSetup& setup, bool testRunning);

// Separate mode: the names the decryption gives every file the encryption named, done or not, so that a test
// file the encryption passed over (an empty one) is still compared, and fails.
QStringList decryptedNames(const QStringList& encryptedNames, const QString& decryptedSpec);

// The first line when several passes were asked for, the file count and folder, and the key; no line end.
QString header(qint64 pass, qint64 passes, qint64 numFiles, const QString& outputFolder, const QByteArray& keyAsInput,
               bool keyIsText);
// The text for a result of the file comparison; empty for a result it does not know.
QString comparisonResultText(qint64 result);
// "original, decrypted: result" for output name M and original extension X, without the line end.
QString comparisonLine(const QString& outputName, const QString& extension, qint64 result);
// Written after a difference: the failure and the key's character codes, so the failure can be reproduced.
QString failureLines(const QByteArray& keyAsInput);
// "once", "twice", "5 times".
QString timesText(qint64 passes);
// The closing sentence of a test whose every pass matched.
QString successLines(qint64 passes, bool longList);

QString stoppedTitle();
QString stoppedMessage();
QString copyFailureMessage();
QString okSoFar();

// The comparison of the last run's output files with the files they came from.
struct Comparison {
    QString outputFolder;
    QStringList outputNames;
    QString extension; // of the originals: "bak" in place, "tst" otherwise
    qint64 numFiles = 0;
    qint64 pass = 1;
    qint64 passes = 1;
    QByteArray keyAsInput;
    bool keyIsText = false;
};
using Append = std::function<void(const QString& text, bool scroll)>;
using Compare = std::function<qint64(const QString& first, const QString& second)>;

// Writes the header and one line per output file through append, stopping at the first file that is not
// identical (then the failure lines follow). Returns true when every file was identical.
bool compareFiles(const Comparison& comparison, const Append& append, const Compare& compare);

} // namespace ReliabilityTest

// The window side of a test: the main window's buttons and setup, and the report window.
class ReliabilityTestHost {
public:
    virtual ~ReliabilityTestHost() = default;

    virtual OperationSetup& setup() = 0;
    virtual frmKeyFrom& key() = 0;

    // The menu is disabled and the test label shown (started), and back (ended).
    virtual void testStarted() {}
    virtual void testEnded() {}
    virtual void ReplaySwitches() = 0;
    virtual void ShowAllFileStatus() {}
    // "Do it!" and "Function" pressed with the left button.
    virtual void doIt() = 0;
    virtual void function() = 0;
    virtual bool doItAborted() const = 0;
    virtual void setDoItAborted(bool aborted) = 0;
    // The report window's blnStop.
    virtual bool runStopped() const = 0;
    // The program is ending: the test stops without a message and does not put the user's key back.
    virtual bool programEnding() const { return false; }
    // Copies the matching files; the number of files not copied.
    virtual qint64 CopyMatchingFiles(const QString& folder, const QString& spec, const QString& targetFolder,
                                     const QString& targetSpec, bool overwrite) = 0;
    // The report window's comparison; false when a file was not identical.
    virtual bool FileComparison(const QString& extension) = 0;
    // Matching files in the folder of the last run.
    virtual qint64 numFiles() const = 0;
    virtual void appendToReport(const QString& text) = 0;
    // Between passes: Stop shown and the status "Paused" (beginInterval); the main window's clock waited for
    // (waitForNextKey); the status cleared (endInterval).
    virtual void beginInterval(bool separate) = 0;
    virtual void waitForNextKey() = 0;
    virtual void endInterval(bool separate) = 0;
    virtual void GenerateRandomTextKey();
    // After the last pass: Stop hidden, Close shown.
    virtual void showCloseButton() {}
    virtual void cmdRestoreSetup_Click() = 0;
    virtual void focusReport() {}
};

// Runs the passes the state asks for. The key in use when the test began is the key again afterwards.
void RunReliabilityTest(ReliabilityTestHost& host, ReliabilityTestState& state);
