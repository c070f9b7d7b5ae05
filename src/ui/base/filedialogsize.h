#pragma once
// File dialogs open wide enough to read their name, size, type and date columns.

class QFileDialog;

// Grows the dialog to about 900 × 500 (a dialog the user made larger stays so), never beyond the
// screen of its parent window, and lets its detail columns take the width their texts need.
void fitFileDialog(QFileDialog& dialog);
