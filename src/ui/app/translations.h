#pragma once

class QApplication;

// Loads Qt's own Russian texts, so standard buttons and dialogs read Да/Нет/Отмена.
void installRussianTranslation(QApplication& app);
