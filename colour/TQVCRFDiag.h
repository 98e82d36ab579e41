#pragma once

#include "Forms.h"

namespace qv {

// The Colour Ranges dialog's message window: "The changed TO range must be between same and next FROM
// range" with one OK button, its default: OK (Enter) or the close box end it, Escape does not. One
// instance, reused; it keeps the position it was last given, starting at (197, 164) on the screen.
class TQVCRFDiag : public NoEscapeDialog
{
    Q_OBJECT

public:
    explicit TQVCRFDiag(QWidget* parent = nullptr);

    // Shows the window modally until OK or its close button ends it.
    void showmodal();
};

} // namespace qv
