#pragma once
// The caption of a field the user may rename (Preferences, field names): the label of a
// window shows the open database's own name for it. User-interface thread only.

#include "database/store/Codes.h"

class QLabel;

// The database's own name for the field, cut to 15 characters and ending in ":",
// becomes the label's text (its "&" shown as typed where the label has a buddy); an
// empty name leaves the label as it is.
void SetCustomFieldLabel(QLabel& lbl, store::CustomField field);
