#pragma once
// Marks a text of the Qt-free code for the translation tools (lupdate reads
// both as QT_TRANSLATE_NOOP): the text stays as it is here, and the window
// translates it in `context` when it shows it. The second gives the UTF-16
// literal the models keep their texts in.
#define VANDREL_TR_NOOP(context, text) text
#define VANDREL_TR_NOOP16(context, text) u"" text
// A text with a count: "%n" stands for the number, and the translation may
// have a form per plural (lupdate reads it as QT_TRANSLATE_N_NOOP).
#define VANDREL_TR_N_NOOP(context, text) text
