#include "text/TypedValue.h"

#include "text/FormatString.h"
#include "text/StringUtil.h"

std::string TypedValue::SetText(const char* value)
{
    text = value;
    return text;
}

std::string TypedValue::SetText(const std::string& value)
{
    return SetText(value.c_str());
}

std::string TypedValue::Display() const
{
    switch (type) {
    case kGrouped:
        if (text == "-")
            return text;
        return FormatGrouped(ToUnsigned(text));
    case kDecimal:
        return AsNumber().Format(decimals);
    case kDecimalTrimmed:
        return AsNumber().FormatTrimmed(decimals);
    case kPercent: {
        const std::string s = AsNumber().Format(decimals);
        return s.empty() ? s : s + " %";
    }
    default:
        return text;
    }
}
