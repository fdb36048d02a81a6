// The toolkit's own texts (the text fields' menus and the like) in Japanese,
// whatever the desktop's language.
#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "app/form1.h"

bool Form1::読込_翻訳() {
    // The one catalogue of Qt's base module, not the whole set: start-up reads one small file.
    static QTranslator qtbase;
    if (!qtbase.isEmpty()) return true;
    if (!qtbase.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtbase);
}
