#pragma once
// Marks a text of the Qt-free code for the translation tools (lupdate reads
// it as QT_TRANSLATE_NOOP): the text stays as it is here, and the window
// translates it in `context` when it shows it.
#define VANDREL_TR_NOOP(context, text) text
