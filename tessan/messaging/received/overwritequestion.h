// The question whether a download may overwrite a file that is already in the download folder,
// with its "对所有文件" box. The page passes the dialog; tests answer from a script.
#pragma once

#include <QString>

namespace tessan {

class OverwriteQuestion {
  public:
    struct Request {
        QString title;   // empty: "确认是否覆盖"
        QString okText;  // empty: "覆盖"
        QString message;
    };
    struct Answer {
        bool overwrite = false;
        // The box's state when the dialog closed, also after Cancel.
        bool forAll = false;
    };

    virtual ~OverwriteQuestion() = default;
    virtual Answer Ask(const Request& request) = 0;
};

}  // namespace tessan
