#pragma once

class QApplication;

// The program's look: the Fusion style with a light palette, and Tahoma
// where it is installed, a close sans-serif otherwise.
void ApplyApplicationStyle(QApplication& app);
