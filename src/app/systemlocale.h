#pragma once

// Hands the user's decimal separator and short date and time formats (the system locale) to the
// core, which formats package names and numbers with them.
void installSystemLocaleHook();
