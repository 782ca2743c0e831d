#include "command/CommandRecord.h"

#include <cstring>

#include "base/Text.h"

void ClearCommandRecord(CommandRecord& record)
{
    std::memset(&record, 0, sizeof(record));
}

bool SetCommandField(char (&field)[kCommandFieldSize], const char* text)
{
    return CopyText(field, kCommandFieldSize, text);
}

bool SetCommandField(char (&field)[kCommandFieldSize], const std::string& text)
{
    return CopyText(field, kCommandFieldSize, text.c_str());
}

CommandRecordPtr MakeCommandRecord(const char* type, const char* p1, const char* p2, const char* p3,
                                   const char* p4, const char* p5)
{
    CommandRecordPtr record = std::make_unique<CommandRecord>();   // value-initialised: all zero
    (void)SetCommandField(record->type, type);
    const char* params[kCommandParamCount] = {p1, p2, p3, p4, p5};
    for (int i = 0; i < kCommandParamCount; ++i)
    {
        (void)SetCommandField(record->param[i], params[i]);
    }
    return record;
}

CommandRecordPtr CopyCommandRecord(const CommandRecord& source)
{
    CommandRecordPtr record = std::make_unique<CommandRecord>();
    std::memcpy(record.get(), &source, sizeof(CommandRecord));
    record->type[kCommandFieldSize - 1] = '\0';
    for (char(&field)[kCommandFieldSize] : record->param)
    {
        field[kCommandFieldSize - 1] = '\0';
    }
    return record;
}
