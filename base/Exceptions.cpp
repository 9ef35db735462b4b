#include "base/Exceptions.h"

#include <system_error>

namespace parch {

EOSError EOSError::FromErrno(int errorCode) {
    return EOSError("System Error. Code: " + std::to_string(errorCode) + ".\n" +
                        std::generic_category().message(errorCode),
                    errorCode);
}

}  // namespace parch
