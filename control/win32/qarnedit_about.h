// The About dialog of the control (the AboutBox method).
#pragma once

// Runs the About dialog modally, without a parent window; returns when it is closed.
void QarnShowAboutBox();
