#pragma once
// Block-list reply lines as the server lays them out: line number in columns 8 to 12,
// compound name in 14 to 31, block name in 17 to 34, type from 35.
#include <QString>

namespace tarvo::test {

inline QString blkNumber(int n) { return QString::number(n).rightJustified(5, u' '); }

inline QString cmp(int n, const QString& name) {
  return QStringLiteral("BLKLST ") + blkNumber(n) + u' ' + name.leftJustified(18, u' ') +
         QStringLiteral("   COMPND");
}

inline QString blk(int n, const QString& name, const QString& type) {
  return QStringLiteral("BLKLST ") + blkNumber(n) + QStringLiteral("    ") +
         name.leftJustified(18, u' ') + type;
}

inline QString end(int n) {
  return QStringLiteral("BLKLST ") + blkNumber(n) + QStringLiteral(" ***END***");
}

}  // namespace tarvo::test
