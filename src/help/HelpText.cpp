#include "help/HelpText.h"

#include "platform/Version.h"

#include <array>

namespace HelpText {
namespace {

const QString crlf = QStringLiteral("\r\n");

struct Section {
    const char* heading;
    int selectionLength;
    std::array<const char*, 6> paragraphs; // unused slots stay null
};

const char* const introduction[] = {
    "Cryptosystem ZQ4 encrypts files so that nobody without the key can read them, and decrypts them again with "
    "the same key. One operation works on a single file or on all the files of a folder that match a "
    "file specification, if you wish including the files in every lower subfolder. The results either replace the "
    "original files or are written to new files.",

    "The use of Cryptosystem ZQ4 will be explained according to the fifteen command buttons on the main screen, "
    "in the order in which they appear there. \"Input folder\" and \"Input file(s)\" share one section, as do "
    "\"Output folder\" and \"Output file(s)\"; \"Setup\" has one section for saving and one for loading a setup.",

    "If you right-mouse-click on any of the command buttons on the main screen then this help screen opens at the "
    "section for that command, with the beginning of the section highlighted. Pressing F1 while a command button "
    "has the focus does the same (moving the mouse over a button gives it the focus). A right-mouse-click never "
    "changes the setup; it only opens the help.",

    "This help screen can be resized for easier reading. \"Close\" hides it; it keeps its size, its position and "
    "its text until the program ends. \"Author\" shows who wrote the program.",
};

const Section sections[intNumHeadings] = {
    {"1.  Function: encryption or decryption",
     800,
     {"Clicking \"Function\" switches between encryption and decryption. The label beside the button shows the "
      "current choice, \"Encryption\" or \"Decryption\", and the line below it says what will be done to the "
      "input files. Every caption and message that names the operation follows this choice: when decrypting, "
      "the key button reads \"Decryption key\", the confirmation asks whether to decrypt, and the report speaks "
      "of files decrypted.",

      "Encryption turns each input file into a file that cannot be read without the key. The files are "
      "encrypted with AES-256 in authenticated segments, and the key is stretched with the memory-hard function "
      "scrypt, so that every guess of a key is costly; a long random key is still far safer than a short typed "
      "one.",

      "Decryption reverses encryption and needs exactly the key that was used for encrypting. A wrong key, or "
      "a file that was not encrypted by Cryptosystem ZQ4, is refused and leaves no output file behind. Any "
      "change to an encrypted file, even of a single bit, is detected when it is decrypted.",

      "A file encrypted twice must also be decrypted twice, with the keys in the opposite order. \"Create random "
      "key\" is offered by the key panel only when encrypting."}},

    {"2.  Single file",
     745,
     {"Clicking \"Single file\" opens a file dialog titled \"Specify file to be encrypted\" (or \"decrypted\"), "
      "in which you choose one file. Its folder becomes the input folder and its name the input "
      "file specification, so that the operation works on that file alone, and \"Subfolders?\" is set to \"No\". If "
      "\"Output file(s) same?\" is \"Yes\", the file will be replaced by its result; otherwise specify the output "
      "file with \"Output file(s)\" (the output folder starts as the folder of the input file). Cancelling the "
      "dialog changes nothing.",

      "Beside the file name the main screen shows the size of the file and, for a file of at least 256 bytes, "
      "whether it \"Seems to be either encrypted or compressed\" or \"Seems not ZQ4-encrypted\". Before "
      "decrypting this tells you at a glance that you chose an encrypted file, and before encrypting that the "
      "file is not encrypted already. \"(File not found.)\", \"(File is empty.)\" or \"(Error reading file.)\" "
      "appear instead when the file cannot be used.",

      "To work on several files at once, use \"Input folder\" and \"Input file(s)\" instead."}},

    {"3.  Input folder and Input file(s): specifying the input files",
     800,
     {"\"Input folder\" opens a folder browser titled \"Specify input folder\". The chosen folder is shown beside "
      "the button; if no output folder has been given yet, the output folder becomes the same folder. "
      "\"Input file(s)\" then specifies which files of the input folder are processed: a single file of the "
      "folder, all files (*.*), all files with a given extension (for example *.txt), or a file specification "
      "of your own.",

      "In a file specification \"*\" stands for any run of characters and \"?\" for exactly one character. "
      "*.txt selects report.txt and notes.txt, report?.doc selects report1.doc but not report12.doc, and a*.e* "
      "selects every file whose name begins with a and whose extension begins with e. Upper and lower case "
      "are not distinguished.",

      "The name (before the last dot) and the extension (after it) are matched separately: * alone selects only "
      "files without an extension, *.* selects every file, and *.txt never selects a file without a dot. "
      "Matching runs forward only: a \"*\" skips to the first occurrence of the next character of the "
      "file specification and never tries a later one. So banana.txt is not selected by *na.txt, while bana.txt is. "
      "If you are unsure which files a file specification selects, make a randomness report of the input files: it "
      "lists exactly those files.",

      "The input folder must be readable and hold matching files or subfolders; otherwise a message says so. "
      "For a simple pattern the main screen describes it, for example (All files with extension \"txt\".)."}},

    {"4.  Subfolders?: whether to include files in subfolders",
     931,
     {"\"Subfolders?\" decides whether the operation also works on the matching files in every folder below the "
      "input folder, at any depth. Clicking it switches between \"No\" and \"Yes\". If the input folder has no "
      "subfolders it stays at \"No\" and the line beside it says \"(The input folder has no subfolders.)\". "
      "Choosing a new input folder or a single file sets it back to \"No\".",

      "The files of a subfolder are always written back into that same subfolder. For this reason the output "
      "files must be the same as the input files when subfolders are included: turning \"Subfolders?\" on also "
      "turns \"Output file(s) same?\" to \"Yes\", and \"Do it!\" refuses an operation with subfolders whose "
      "output files are not the same as the input files.",

      "The same file specification applies in every folder. The report lists each folder that holds matching "
      "files, with one line per file, and the operation can be paused or stopped between two files.",

      "Take care with subfolders: an operation on *.* over a large folder tree encrypts or decrypts every file "
      "of the tree in place. Read the confirmation, which counts the files to be processed, before you answer "
      "\"Yes\". A randomness report with subfolders shows beforehand which files would be affected, and "
      "whether they are encrypted already."}},

    {"5.  Output file(s) same?: whether the output files should be the same as the input files",
     900,
     {"\"Output file(s) same?\" switches between \"Yes\" and \"No\". With \"Yes\" every input file is replaced by "
      "its result: the operation works in place, and the output folder and output files simply follow the "
      "input side. With \"No\" the results are written to new files, named with \"Output folder\" and "
      "\"Output file(s)\", and the input files are left as they are.",

      "In place, the input file itself is never written to. The result is first written to a temporary file "
      "beside it, which is read back and checked; only then is the original purged and the temporary file "
      "renamed to the original's name. When encrypting, purging means that the plaintext is overwritten with "
      "random bytes before it is deleted, so that it cannot be recovered from the disk; when decrypting, the "
      "encrypted original is simply deleted. If the check fails, the original is kept and the report names the "
      "error. If the program is interrupted, the disk holds either the original or a complete result (at worst "
      "under the temporary name).",

      "Before the plaintext of a document, spreadsheet, program or similar file is purged, the program may ask "
      "whether antivirus software is active and advise you about warnings that such software can give while "
      "files are purged.",

      "Working in place leaves no plaintext copy behind; new files let you check the results before you delete "
      "anything. Never encrypt in place with a key that you may forget."}},

    {"6.  Output folder and Output file(s): specifying the output files",
     652,
     {"\"Output folder\" opens a folder browser titled \"Specify output folder\"; the output files are written "
      "there. It may be the input folder. \"Output file(s)\" specifies how the output files are named: as an "
      "existing file of the output folder, as a new file name, with a new extension (for example *.enc), or "
      "by an output file specification of your own.",

      "An output file specification is applied to each input file name by position: \"*\" takes the rest of "
      "the input name from the same position on, and \"?\" takes the character of the input name at the same "
      "position. For the input file report.txt, *.enc gives report.enc, a*.e* gives aeport.ext and *.* gives "
      "report.txt. An output specification without wildcards gives the same name for every input file, so it suits a "
      "single input file only.",

      "If two input files would get the same output name (for example *.x for a.txt and a.doc), \"Do it!\" "
      "stops before any file is touched and says so. The name of an existing file is marked \"(File exists "
      "already.)\".",

      "While \"Output file(s) same?\" is \"Yes\" these two buttons only show a message, since the output files "
      "are then the input files. The \"Input file(s)\" and \"Output file(s)\" buttons of the randomness report "
      "are described under \"Randomness report\"."}},

    {"7.  Encryption key: how to supply it",
     670,
     {"\"Encryption key\" (\"Decryption key\" when decrypting) opens a panel with the ways of supplying the key. "
      "\"Type key (with display)\" shows the key as you type it. \"Type key (without display)\" shows only # "
      "for each character and asks for the key twice; the two entries must match. A typed key has 16 to 64 "
      "characters; spaces are ignored and upper and lower case are not distinguished, so at least 16 "
      "characters other than spaces are needed. A note under the box counts them against the 16 and says when "
      "the box is full. As soon as there are enough, the checksum of the key is shown. One character is one "
      "byte: a character outside Latin-1 (such as the euro sign) is not taken, and the note names it.",

      "\"Get key from keyfile\" takes the first 64 bytes of any file as the key; the file must provide at least "
      "16 significant bytes. \"Create random key\" (only when encrypting) gathers a random 64-byte key from your "
      "mouse movements and saves it as a new keyfile. Keep keyfiles on removable media or otherwise safe, and "
      "keep a copy: without it the files cannot be decrypted. The program refuses to encrypt or decrypt the "
      "keyfile in use.",

      "\"Erase key\" removes the key from memory and \"Not now\" closes the panel. The label beside the button "
      "shows how the key was given and its checksum, a number from 1001 to 9999. Note the checksum when "
      "encrypting: when you decrypt, the same checksum tells you that you have typed the same key. A key can "
      "be inspected (its characters, codes and randomness) before it is used. The key is never saved in a "
      "setup file and is wiped from memory when the program ends."}},

    {"8.  Do it!: performing the operation",
     830,
     {"\"Do it!\" performs the operation that the main screen shows. It checks the setup in a fixed order and "
      "stops with a message at the first problem: the input files must be specified, the input folder must be "
      "readable and hold matching files, the key must be specified, the output files must be specified, and "
      "with subfolders the output files must be the same as the input files. If input and output name the "
      "same folder and files, \"Output file(s) same?\" is switched to \"Yes\".",

      "A confirmation then describes the operation in words (what is to be encrypted or decrypted, how many "
      "files, where the results go, whether the originals are replaced) and asks whether to go on. Read it "
      "carefully and answer \"No\" if anything is not as you intended.",

      "When new files are to be written, the sizes of the input files are added up and compared with the free "
      "space of the target disk; if the space is insufficient, a message gives both figures and nothing is "
      "done. Then the report screen opens and the files are processed one by one. A key shorter than 64 "
      "characters is used repeated to 64 characters.",

      "Reliability test: encrypting *.tst files (without subfolders) in a folder named zq4test offers a test "
      "instead of the plain operation. It encrypts the test files, decrypts them again and compares the "
      "results byte for byte with the originals, as many times as you ask; the first pass uses your key, every "
      "further pass a new random key. The report ends by saying that all decrypted files were identical, or "
      "shows the first difference and the key that caused it."}},

    {"9.  Report screen",
     772,
     {"While an operation runs, the report screen shows one line per file: its name and size and the result, "
      "or the reason why the file was left as it was. Each folder begins with a line that names the "
      "file specification and the folder. \"Pause at next file\" and \"Stop at next file\" take effect when the file "
      "in progress is finished; a file is never interrupted half way. While paused, the report shows the line "
      "of every file done so far, and \"Continue\" goes on.",

      "A file that takes longer than about a second gets a progress bar with the bytes done, the speed and the "
      "time left, and a line that tells which file of the folder it is and how many bytes of the folder are "
      "done. In place a file is read twice, to write its result and to check it, and the bar covers both. "
      "After \"Stop at next file\" the bar keeps moving until that file is done. \"Quit\" during a file "
      "abandons it: the file is left as it was and its partial result is removed.",

      "At the end the report gives a summary: the number of files processed and encrypted or decrypted, the "
      "total kilobytes, the elapsed time and, for fast runs, the average speed; then the date and time. The "
      "status reads \"Done\" or \"Stopped\". A short report is shown whole: the window shrinks to fit it, and "
      "the next run starts at the full size again; the window can always be resized. \"Copy to clipboard\" "
      "copies the whole report, for example to keep it in a document, and \"Close\" hides the report screen.",

      "The \"Report screen\" button of the main screen shows the last report again, until the next operation or "
      "randomness report replaces it. If there is no report yet, a message says that the report screen is "
      "empty.",

      "Read the report after every operation: a file that could not be processed is named there together with "
      "the reason, and nothing else tells you about it."}},

    {"10.  Randomness report",
     970,
     {"Encrypted files look like random data; ordinary files do not. The randomness report measures this for "
      "each file as a value from 0 to 1. A value above 0.89 indicates a file that is either encrypted or "
      "compressed (for example an archive, a photograph or a video), a value below 0.8 a file that is not "
      "encrypted by Cryptosystem ZQ4. Files shorter than 256 bytes are too small to be rated.",

      "Clicking \"Randomness report\" opens a panel with \"Input file(s)\" and \"Output file(s)\", each usable "
      "only when that side is specified, and \"Not now\". For a single file without subfolders the value is "
      "shown in a window with a graphic of the file: \"Display\" draws every pair of bytes as a point, so that "
      "random data fills the square evenly while text and other structured data form clear patterns.",

      "For a file specification with wildcards, or with \"Subfolders?\" on, the report screen lists every "
      "matching file, folder by folder, with its value, a * after values above 0.89, its name and its size, for "
      "example:\r\n"
      "0.998 * letter.enc (12,288 bytes)\r\n"
      "0.612   notes.txt (4,531 bytes)\r\n"
      "Files too small to be rated have no value; files that cannot be read show an error code in brackets.",

      "Use the randomness report before decrypting, to see which files are encrypted, and after encrypting, to "
      "make sure that every file was. A randomness report never changes a file."}},

    {"11.  Setup:  Saving the setup",
     578,
     {"\"Setup\" opens a panel with \"Load setup\", \"Save setup\", \"Clear setup\", \"Restore setup\" and "
      "\"Not now\". The setup is everything the main screen shows except the key: the function, the two "
      "switches, and the folder and file specification of each side. The key is never saved.",

      "\"Save setup\" offers \"Save setup for next run\", which stores the setup so that the program starts "
      "with it next time, and \"Save setup as operation file\", which stores it under a name of your choice, "
      "normally with the extension .opn, so that a regular operation can be set up again by loading one file. "
      "An existing file is replaced only after you confirm. The name of the operation file stays on the main "
      "screen until the setup is changed.",

      "The setup for the next run is kept in the file zq4e.opn in the program's own folder inside your "
      "configuration folder ($XDG_CONFIG_HOME, normally ~/.config). Setup files are plain text of nine lines."}},

    {"12.  Setup:  Loading a setup",
     0,
     {"\"Load setup\" opens a file dialog in which you choose an operation file saved earlier. Its setup "
      "replaces the current one and the main screen shows it, together with the name of the file. The key is "
      "not changed by loading. If a folder named in the file no longer exists, the input folder is cleared "
      "with a message.",

      "\"Clear setup\" sets everything back to the start: encryption, no folders or files, \"Subfolders?\" and "
      "\"Output file(s) same?\" \"No\", and no key. \"Restore setup\" returns to the setup that was in effect "
      "before the last \"Clear setup\", or to the setup as loaded by the last \"Load setup\", whichever came "
      "later (right after the start, the setup the program started with); the key must then be specified "
      "again."}},

    {"13.  Help",
     1300,
     {"\"Help\" opens this help screen at its beginning. A right-mouse-click on any other command button of the "
      "main screen, or F1 while that button has the focus, opens it at the section for that button, with the "
      "whole section highlighted. The help screen is a window of its own: you can keep it open "
      "beside the main screen while you work, make it larger or smaller (down to a minimum size) and scroll "
      "through the whole text. \"Close\" hides it, and it comes back with the same size and position. A help "
      "screen that was minimised comes back at its normal size when help is asked for again. \"Author\" shows "
      "who wrote the program and its version.",

      "A first encryption, step by step: click \"Single file\" and choose a copy of a file that you can afford "
      "to lose. Set \"Output file(s) same?\" to \"No\", click \"Output file(s)\" and give the new extension enc. "
      "Click \"Encryption key\", then \"Type key (with display)\", type a key of at least 16 characters and "
      "note its checksum. Click \"Do it!\", read the confirmation and answer \"Yes\". Then click \"Function\" to "
      "switch to decryption, choose the .enc file with \"Single file\", give a new output file name, type the "
      "same key (the checksum must be the same) and click \"Do it!\" again. Compare the result with the "
      "original.",

      "Before you encrypt important files in place, try the reliability test described under \"Do it!\", and "
      "keep your keys and keyfiles where you will find them again: there is no way to decrypt a file without "
      "its key.",

      "The user manual, manual.html in the program's folder, describes the program in more detail, including "
      "installation, the encrypted file format and troubleshooting; the documentation link on the main screen "
      "opens it in your web browser. If no browser can be started, the message says where the manual is, so "
      "that you can open it yourself."}},

    {"14.  Quit:  Exiting",
     700,
     {"\"Quit\" ends the program at once, and so does closing the main screen. Before the program ends it "
      "overwrites the key and every copy of it in memory and releases the memory of the cipher, so that no "
      "key is left behind in the computer's memory.",

      "Quitting does not save the setup. To start next time with the current setup, click \"Setup\", then "
      "\"Save setup\" and \"Save setup for next run\" before you quit. The key is never saved: specify it again "
      "in the next run.",

      "Quitting during an operation ends it at once, also in the middle of a large file: that file is "
      "abandoned, its partial result or temporary file is removed and the file is left exactly as it was; the "
      "files done before it keep their results. To end a run without abandoning a file, use \"Stop at next "
      "file\" and wait until the status reads \"Stopped\". The report is not kept after the program ends; copy "
      "it to the clipboard first if you need it."}},
};

QString joinParagraphs(const char* const* first, const char* const* last) {
    QString text;
    for (auto p = first; p != last && *p; ++p) {
        if (!text.isEmpty())
            text += crlf + crlf;
        text += QString::fromUtf8(*p);
    }
    return text;
}

} // namespace

QString Heading(int index) {
    if (index < 1 || index > intNumHeadings)
        return {};
    return QString::fromUtf8(sections[index - 1].heading);
}

int SelectionLength(int index) {
    if (index < 1 || index > intNumHeadings)
        return 0;
    return sections[index - 1].selectionLength;
}

qsizetype SectionEnd(const QString& text, int index) {
    const qsizetype start = text.indexOf(Heading(index));
    if (index < 1 || index > intNumHeadings || start < 0)
        return -1;
    qsizetype end = index < intNumHeadings ? text.indexOf(Heading(index + 1), start) : text.size();
    if (end < 0)
        end = text.size();
    while (end > start && (text.at(end - 1) == QLatin1Char('\r') || text.at(end - 1) == QLatin1Char('\n')))
        --end;
    return end;
}

QString Build() {
    QString text = joinParagraphs(std::begin(introduction), std::end(introduction));
    for (const Section& s : sections) {
        text += crlf + crlf + QString::fromUtf8(s.heading) + crlf + crlf;
        text += joinParagraphs(s.paragraphs.data(), s.paragraphs.data() + s.paragraphs.size());
    }
    return text + crlf;
}

QString Credits() {
    return QStringLiteral("Cryptosystem ZQ4\r\nVersion ") + ProgramVersion() +
           QStringLiteral("\r\n\r\n"
                          "Design and programming: the ZQ4 developers.\r\n\r\n"
                          "The files are protected with AES-256 in authenticated segments, with keys stretched "
                          "by scrypt. Cryptographic primitives come from the system's OpenSSL library; the "
                          "windows are built with Qt.");
}

} // namespace HelpText
