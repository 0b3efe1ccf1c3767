#include "controls/file_mask.h"

namespace velora::app {

namespace {

bool SameLetter(QChar a, QChar b) {
  return a == b || a.toCaseFolded() == b.toCaseFolded();
}

// Greedy matching with one step back to the last "*": linear for patterns with one star,
// never worse than length(pattern) x length(name).
bool Glob(QStringView pattern, QStringView name) {
  qsizetype p = 0, n = 0, starP = -1, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == u'?' || SameLetter(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (starP >= 0) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

QStringList SplitMask(const QString& mask) {
  return mask.split(u';', Qt::SkipEmptyParts);
}

bool MatchesPattern(const QString& pattern, const QString& name) {
  if (Glob(pattern, name)) return true;
  if (pattern.endsWith(QLatin1String(".*")) && !name.contains(u'.')) {
    return Glob(QStringView(pattern).chopped(2), name);
  }
  return false;
}

bool HasWildcard(const QString& text) {
  return text.contains(u'*') || text.contains(u'?');
}

}  // namespace velora::app
