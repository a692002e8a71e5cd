#pragma once

class frmMain;

// Gives the main window's "Do it!" its reliability test: a setup naming the test offers it, and the test
// then drives the window's own buttons, clock and report window.
void installReliabilityTest(frmMain& main);
