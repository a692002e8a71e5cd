#pragma once

// Installs the presenters that show real Qt message boxes and file dialogs. The program calls this at
// start; form tests leave it out and answer through the MessageBox / FileDialog queues instead.
void installWidgetDialogs();
