#include "core/base/gbkvalidator.h"

#include "core/base/gbk.h"

namespace tessan {

GbkLengthValidator::GbkLengthValidator(qsizetype maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State GbkLengthValidator::validate(QString& input, int&) const {
    return QStringToGbk(input).size() <= maxBytes_ ? Acceptable : Invalid;
}

}  // namespace tessan
