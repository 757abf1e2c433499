// An edit's limit in GBK bytes, as the fixed fields behind it count: a typed or pasted text that
// would not fit is refused whole, so nothing is ever cut in the middle of a character later.
#pragma once

#include <QValidator>

namespace tessan {

class GbkLengthValidator final : public QValidator {
    Q_OBJECT
  public:
    GbkLengthValidator(qsizetype maxBytes, QObject* parent = nullptr);
    State validate(QString& input, int& pos) const override;

  private:
    qsizetype maxBytes_;
};

}  // namespace tessan
