#pragma once
#include <QString>

namespace tarvo {

// The About box's text: product, both versions, then our contact and authors blocks. Lines
// are ended by a lone carriage return; the last line has none.
QString aboutText(const QString& clientVersion, const QString& serverVersion);

}  // namespace tarvo
