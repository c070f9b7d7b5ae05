#pragma once
// Every message box of the program goes through here, so tests can answer questions without a
// human: a test installs an answerer and sees each request instead of a modal window.

#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

class MessageBoxes {
 public:
  struct Request {
    QWidget* parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  };
  // Returns the button the user chose.
  using Answerer = std::function<QMessageBox::StandardButton(const Request&)>;

  static QMessageBox::StandardButton show(const Request& request);

  // A question with a warning sign ("Удалить пакет ...?", "Сохранить изменения?").
  static QMessageBox::StandardButton question(
      QWidget* parent, const QString& caption, const QString& text,
      QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No);
  // A complaint with only an OK button, under the usual error caption.
  static void error(QWidget* parent, const QString& text);

  // Replaces the answerer (an empty one restores the real message box); returns the previous one.
  static Answerer setAnswerer(Answerer answerer);
};

// OK of a dialog that keeps settings: a `problem` is shown and refuses; otherwise `save` runs, and
// a failure of it is shown. True when saved, so the dialog may close.
bool saveUnlessRefused(QWidget* dialog, const QString& problem, const std::function<void()>& save);

// Installs an answerer for the lifetime of the object, then puts the previous one back.
class ScopedMessageAnswerer {
 public:
  explicit ScopedMessageAnswerer(MessageBoxes::Answerer answerer)
      : previous_(MessageBoxes::setAnswerer(std::move(answerer))) {}
  ~ScopedMessageAnswerer() { MessageBoxes::setAnswerer(std::move(previous_)); }
  ScopedMessageAnswerer(const ScopedMessageAnswerer&) = delete;
  ScopedMessageAnswerer& operator=(const ScopedMessageAnswerer&) = delete;

 private:
  MessageBoxes::Answerer previous_;
};
