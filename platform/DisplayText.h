#pragma once

#include <QCollator>
#include <QString>
#include <string_view>

namespace qv {

// Display text of raw name bytes: UTF-8 decoded; every invalid byte and every control character
// (C0, DEL, C1) becomes U+FFFD, so a label always stays on one line.
QString displaytext(std::string_view bytes);

// Number of characters (code points) displaytext() gives for these bytes, without building it.
int displaylength(std::string_view bytes);

// How the lists of names sort: as a person reading English expects, on any system locale (case decides
// only between names otherwise equal). A collator serves one thread at a time.
QCollator englishcollator();

} // namespace qv
