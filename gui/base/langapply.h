#pragma once
// Applies a translation table to its window: captions, hints, fonts, lists
// and other string properties found by objectName, in the active language.

#include "core/base/translation.h"

class QWidget;

// Sets the texts of `window` from `table`; empty texts keep the designed ones.
void ApplyLangTable(const TsiLang &table, QWidget *window);

// Creates the linked table of a window (siLangLinked_<formName>, a child of
// the window) and applies it. Every window calls this when it is created.
TsiLang *ApplyTranslation(QWidget *window, const QString &formName);
