#include "ui/widgets/fixed_font.h"

#include "core/base/settings_store.h"

namespace tesmo {
namespace {
QFont& Font() {
  static QFont font;
  return font;
}
}  // namespace

void RebuildFixedFont() {
  const QString face = CSettingsStore::ReadString(QString(), QStringLiteral("FixedFontName"),
                                                  QStringLiteral("Lucida Console"));
  int size = CSettingsStore::ReadInt(QString(), QStringLiteral("FixedFontSize"), 10);
  if (size <= 0 || size > 200) size = 10;
  QFont font(face);
  font.setPixelSize(size);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  font.setFixedPitch(true);
  font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
  Font() = font;
}

const QFont& FixedFont() {
  return Font();
}

}  // namespace tesmo
