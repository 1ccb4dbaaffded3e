#pragma once
// "GPS Message" (template `GetGPSMessage`): the line the GPS monitor sends to the receiver.
// It shows the message buffer in edit 854; OK reads the edit back into the buffer and closes
// with 1, Cancel closes with 0 and leaves the buffer alone. The edit takes at most 49
// characters, what the buffer holds. GUI thread only.

#include <QDialog>
#include <QString>

class QLineEdit;
class QLabel;

namespace tm47 {

inline constexpr int kIdGpsMessagePrompt = 853;
inline constexpr int kIdGpsMessageEdit = 854;
// The message buffer: 100 bytes of 16-bit text, 49 characters and a terminator.
inline constexpr int kGpsMessageMax = 49;

class GetGPSMessage : public QDialog {
    Q_OBJECT
public:
    GetGPSMessage(QString& message, QWidget* parent = nullptr);

    QLineEdit* Edit() const { return edit_; }

    void accept() override;
    void reject() override;

private:
    QString& message_;
    QLineEdit* edit_ = nullptr;
    QLabel* prompt_ = nullptr;
};

} // namespace tm47
