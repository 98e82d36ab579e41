#pragma once

#include <string>

namespace qv {

// The Find Help dialog as the help launcher uses it; tests put a scripted prompt in its place.
class FindHelpPrompt
{
public:
    virtual ~FindHelpPrompt() = default;
    // Places the dialog centred on the screen and shows it modally. True when the user confirmed (OK);
    // false for Cancel, Esc or the close box.
    virtual bool ask() = 0;
    // The directory open in the dialog's directory list, exactly as the list reports it; empty if none.
    virtual std::string directory() const = 0;
};

} // namespace qv
