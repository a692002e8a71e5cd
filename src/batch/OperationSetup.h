#pragma once

#include <QString>

#include <array>

// The one operation the main window sets up: function, the two sides and the switches, plus the copy kept
// for "Restore setup". Side 0 is input, side 1 output. An empty text means "not specified"; folder paths end
// with '/'. The member values are those of a first start without a saved setup.
struct OperationSetup {
    static constexpr int kInput = 0;
    static constexpr int kOutput = 1;

    bool blnEncrypt = true;
    bool blnOutputFilesSame = false;
    bool blnSubdirectories = false;
    bool blnConfirmFiles = false; // carried in setup files and the remembered copy; nothing reads it
    std::array<QString, 2> strDirpath;
    std::array<QString, 2> strFilespec;

    // The remembered copy.
    bool blnSavedEncrypt = true;
    bool blnSavedConfirmFiles = false;
    bool blnSavedOutputFilesSame = false;
    bool blnSavedSubdirectories = false;
    std::array<QString, 2> strSavedDirpath;
    std::array<QString, 2> strSavedFilespec;

    // Remembered copy := the setup in effect.
    void RememberSetup();
    // Setup := the remembered copy (all six fields).
    void restoreRemembered();
    // The start values of the switches, folders and specifications; blnConfirmFiles and the remembered copy
    // stay as they are.
    void setStartValues();
    // The switches are stored as the opposite of the wanted value and then settled by replaying their
    // buttons; this turns the wanted values into the stored ones.
    void invertSwitchesForReplay();

    // Output folder and file specification := the input ones.
    void CopyInputToOutput();
    // Folder and file specification of that side both given.
    bool InputSpecified() const;
    bool OutputSpecified() const;
    bool sideSpecified(int side) const;
};

// The folder text with a '/' at its end (an empty text stays empty: not specified).
QString withTrailingSlash(const QString& folder);
