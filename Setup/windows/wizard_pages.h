// The nine pages of the setup wizard, added to the window in their order
// with the page numbers of WizardPage as their ids.
#pragma once

namespace korvale::setup {

class SetupWizardWindow;

void AddWizardPages(SetupWizardWindow& window);

}  // namespace korvale::setup
