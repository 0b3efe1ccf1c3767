#pragma once
// File-name masks: one or more patterns separated by ";", where "*" stands for any run of
// characters and "?" for one character. Names and patterns are compared without regard to
// case, and every other character (including "[") stands for itself.
#include <QString>
#include <QStringList>

namespace velora::app {

// The patterns of a mask, in their order; empty patterns are dropped.
QStringList SplitMask(const QString& mask);

// The name matches the pattern. A pattern ending in ".*" also matches the name without any
// extension, so "*.*" matches every name, with a dot or without.
bool MatchesPattern(const QString& pattern, const QString& name);

// The text holds a "*" or a "?".
bool HasWildcard(const QString& text);

}  // namespace velora::app
