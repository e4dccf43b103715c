#pragma once
// Toggle buttons whose accessible "Toggle" clicks them. The toolkit's own action
// only flips the checked look, which would show a view or the memo pane as on
// while it is not.

class QAbstractButton;

namespace qvr {

// To be called before anything of the button is told to assistive technology,
// which keeps the interface it first finds.
void clickOnAccessibleToggle(QAbstractButton* button);

} // namespace qvr
