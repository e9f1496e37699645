#include "ui/lg_text.h"

#include "persistence/lg.h"

namespace kova {

QString LgText(uint32_t id) {
  return QString::fromStdString(Lg().Word(id));
}

}  // namespace kova
