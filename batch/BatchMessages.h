#pragma once

// Message numbers of the batch subsystem; their texts are in the message table.
enum BatchMessageId
{
    IDS_BATCH_NO_TABLE = 184,
    IDS_BATCH_NO_FIELDS = 185,
    IDS_BATCH_INPUT_FAILED = 501,
    IDS_BATCH_OUTPUT_FAILED = 502,
    IDS_BATCH_OPEN_SOURCE = 504,
    IDS_BATCH_NO_FILENAME = 506,
    IDS_BATCH_SAME_FILE = 507,
};
