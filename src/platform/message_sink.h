#pragma once
// The operator's message boxes: a caption, a text, an icon and the buttons. The program shows
// them as modal top-level windows; tests record them and answer at once. Texts are UTF-8.
//
// Header only, so every screen (Monitor/Log, GPS monitor, viewer) can take a MessageSink&
// without linking the shell.

#include <string>
#include <string_view>

namespace tm47 {

enum class MessageIcon { None, Information, Exclamation, Question, Stop };
enum class MessageButtons { Ok, YesNo };
// Closed: the box was taken down without an answer (the session ended meanwhile).
enum class MessageAnswer { Ok, Yes, No, Closed };

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Shows the message and returns the button the operator chose.
    virtual MessageAnswer Show(std::string_view caption, std::string_view text,
                               MessageIcon icon = MessageIcon::None,
                               MessageButtons buttons = MessageButtons::Ok) = 0;
};

} // namespace tm47
