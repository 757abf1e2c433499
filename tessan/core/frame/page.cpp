#include "core/frame/page.h"

namespace tessan {

Page::Page(ClientSession& session, const QString& title, const QString& objectName, QWidget* parent)
    : QWidget(parent), session_(session), title_(title) {
    setObjectName(objectName);
    setAccessibleName(title);
}

}  // namespace tessan
