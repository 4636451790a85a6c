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
    // Text files: their texts below, shown through the presenter.
    IDS_BATCH_SEPARATOR_UNCLEAR = 520,
    IDS_BATCH_COLUMNS_UNUSABLE = 521,
    IDS_BATCH_ASK_REPLACE = 522,
    IDS_BATCH_RENAME_FAILED = 523,
};

inline constexpr const char* kBatchSeparatorUnclearText =
    "The first lines of the file do not agree on a field separator. Please choose the separator.";
inline constexpr const char* kBatchColumnsUnusableText =
    "Please choose a field of its own for the longitude or easting, for the latitude or northing and, if "
    "any, for the altitude: one field cannot hold two coordinates.";
inline constexpr const char* kBatchAskReplaceText =
    "The destination file already exists. The conversion replaces it when it completes.\nDo you want to "
    "replace it?";
inline constexpr const char* kBatchRenameFailedText =
    "Error during conversion: the converted file could not replace the destination file.";
