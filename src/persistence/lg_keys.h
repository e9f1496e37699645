#pragma once

#include <cstdint>
#include <iterator>
#include <string_view>

// The identifiers of every text the program shows. Identifiers with the top bit set are
// single-line texts; those below 0x80000000 may hold line breaks. The English texts live in
// resources/lang/en/words.txt under the same names; a test fails when one is missing there.
//
// Each entry is X(name, identifier). Texts with "%s" take arguments (see FormatLgText).
#define KOVA_LG_KEYS(X)                                                                   \
  /* language data */                                                                     \
  X(kLanguageIDText, 0x00000001) /* the language identifier in decimal ("9") */           \
  X(kIsoName, 0x00000002)        /* ISO name of the language ("en-US") */                 \
  /* application */                                                                       \
  X(kNothingFound, 0x86001001)                                                            \
  /* restoring files */                                                                   \
  X(kSelectRestoreFolder, 0x8100EDA9) /* folder dialog title and label */                 \
  X(kNotEnoughSpace, 0x86003120)      /* %s: the drive */                                 \
  X(kChooseAnotherFolder, 0x8600CFB0) /* second line of the space and same-drive texts */ \
  X(kCannotCreateFolder, 0x8600DE2A)  /* %s: the folder */                                \
  X(kSameDriveAsSource, 0x860092E4)                                                       \
  X(kDiskDisconnected, 0x8600EAFD)                                                        \
  X(kRestoreFilesFailed, 0x86001030)  /* %s count, %s folder, %s reason */                \
  X(kKeepCardFolders, 0x8600A001)     /* check box of the restore folder dialog */        \
  X(kFoundBySearchFolder, 0x8600A002) /* folder of the files found by the search */       \
  X(kVolumeFolder, 0x8600A003)        /* %s: the partition number */                      \
  /* disk image creation: the read-error dialog */                                        \
  X(kReadErrorTitle, 0x810012DE)                                                          \
  X(kReadErrorQuestion, 0x8600FB4A)                                                       \
  X(kSkipThisCluster, 0x82009214)                                                         \
  X(kSkipClusters, 0x8200817A) /* the blanks are where the count is typed */              \
  X(kIgnoreAllErrors, 0x8200E1E0)                                                         \
  X(kDefaultChoice, 0x8300BE50)                                                           \
  X(kFinishReading, 0x8200452A)                                                           \
  X(kOK, 0x81004792)                                                                      \
  X(kClusterUnreadable, 0x8200B100) /* %s: failed unit, %s: total units */                \
  X(kClusterSize, 0x8300FDA3)       /* %s: bytes per unit */                              \
  /* disk image creation: the log */                                                      \
  X(kImageLogStart, 0x8200E6CE) /* %s: the image file */                                  \
  X(kImageLogBadCluster, 0x82000811)                                                      \
  X(kImageLogBadClusters, 0x82005371)                                                     \
  X(kImageLogSkipped, 0x820003D6)                                                         \
  X(kImageLogLastWritten, 0x82009C04)                                                     \
  X(kImageLogStopped, 0x86006266)                                                         \
  X(kImageLogFinished, 0x8600721D)                                                        \
  X(kImageFileFilter, 0x8900D263)                                                         \
  X(kImageCannotCreate, 0x86001031)  /* %s: the image file, %s: why */                    \
  X(kImageWriteFailed, 0x86001032)   /* %s: the image file, %s: why */                    \
  X(kImageOnSourceDrive, 0x86001033) /* %s: the drive */                                  \
  X(kImageNoSpace, 0x86001060)       /* %s: the drive, %s: free, %s: needed */            \
  X(kImageLogIncomplete, 0x86001061) /* %s: copied, %s: the drive's size, %s: the file */ \
  X(kImageLogRemoved, 0x86001062)    /* %s: the file */                                   \
  X(kImageMapNotWritten, 0x86001063) /* %s: the mapfile, %s: why */                       \
  X(kImageLogUnreadable, 0x86001064) /* %s: bytes, %s: areas, %s: the mapfile */          \
  X(kImageLogResumed, 0x86001065)    /* %s: the file, %s: the bytes still to read */      \
  /* wizard: page headers */                                                              \
  X(kActionPageCaption, 0x81001010)                                                       \
  X(kDiskPageCaption, 0x81001011)                                                         \
  X(kImagingCaption, 0x81001012)                                                          \
  X(kImageDoneCaption, 0x81001013)                                                        \
  X(kImageStoppedCaption, 0x81001014)                                                     \
  X(kImageFailedCaption, 0x81001015)                                                      \
  X(kFileTypesCaption, 0x81001016)                                                        \
  X(kScanningCaption, 0x81001017)                                                         \
  X(kResultsCaption, 0x81001018)                                                          \
  X(kResultsIncompleteCaption, 0x81001019)                                                \
  X(kRestoringCaption, 0x8100101A)                                                        \
  X(kRestoreDoneCaption, 0x8100101B)                                                      \
  X(kRestoreFailedCaption, 0x8100101C)                                                    \
  X(kRestorePartlyCaption, 0x88001009)                                                    \
  /* wizard: buttons */                                                                   \
  X(kStartCaption, 0x82001001)                                                            \
  X(kExitCaption, 0x82001002)                                                             \
  X(kStopCaption, 0x82001003)                                                             \
  X(kRestoreCaption, 0x82001004)                                                          \
  X(kCancelCaption, 0x82001005)                                                           \
  X(kCloseCaption, 0x82001006)                                                            \
  X(kPreviousCaption, 0x82001007)                                                         \
  X(kNextCaption, 0x82001008)                                                             \
  X(kContinueCaption, 0x82001009)                                                         \
  /* wizard: questions and messages */                                                    \
  X(kStopQuestion, 0x86001010)                                                            \
  X(kExitQuestion, 0x86001011)                                                            \
  X(kExitConfirmation, 0x82001010)                                                        \
  X(kDriveNoPermission, 0x06001001) /* how to get read access to a device */              \
  /* drives: what they are, and what keeps one from being read */                         \
  X(kMediumSDCard, 0x8A001001)                                                            \
  X(kMediumCFCard, 0x8A001002)                                                            \
  X(kMediumMemoryStick, 0x8A001003)                                                       \
  X(kMediumXDCard, 0x8A001004)                                                            \
  X(kMediumMMCCard, 0x8A001005)                                                           \
  X(kMediumMemoryCard, 0x8A001006)                                                        \
  X(kMediumFlashDrive, 0x8A001007)                                                        \
  X(kMediumHardDisk, 0x8A001008)                                                          \
  X(kMediumVirtualDisk, 0x8A001009)                                                       \
  X(kMediumOptical, 0x8A00100A)                                                           \
  X(kMediumLoop, 0x8A00100B)                                                              \
  X(kMediumNetwork, 0x8A00100C)                                                           \
  X(kMediumRAMDisk, 0x8A00100D)                                                           \
  X(kMediumRemovable, 0x8A00100E)                                                         \
  X(kMediumUnknown, 0x8A00100F)                                                           \
  X(kDrivePartition, 0x8A001010)                                                          \
  X(kDrivePartitionNumber, 0x8A001011) /* %s: the number */                               \
  X(kDriveNoMedium, 0x8A001012)                                                           \
  X(kDriveHoldsSystem, 0x8A001013)                                                        \
  X(kDriveNoneChosen, 0x8A001014)                                                         \
  X(kDriveLocked, 0x0A001001)                                                             \
  X(kDriveRefused, 0x0A001002) /* %s: what the system said */                             \
  X(kDriveUnlockDismissed, 0x0A001003)                                                    \
  X(kDriveNoCard, 0x0A001004)                                                             \
  X(kDriveGone, 0x0A001005)                                                               \
  X(kDriveFailed, 0x0A001006) /* %s: the reason */                                        \
  X(kRunAccessDenied, 0x0A001007)                                                         \
  X(kDriveNoAgent, 0x0A001008)                                                            \
  X(kFolderNotWritable, 0x8A001020) /* %s: the folder */                                  \
  /* main window, welcome, action and finish pages */                                     \
  X(kAboutButton, 0x82001020)                                                             \
  X(kHelpButton, 0x82001021)                                                              \
  X(kModeTypical, 0x82001022)                                                             \
  X(kModeAdvanced, 0x82001023)                                                            \
  X(kAboutTheProgram, 0x81001020)                                                         \
  X(kAboutText, 0x06001002)                                                               \
  X(kSelectAction, 0x81001021)                                                            \
  X(kRecoverCardAction, 0x82001024)                                                       \
  X(kRecoverCardHint, 0x06001003)                                                         \
  X(kCreateImageAction, 0x82001025)                                                       \
  X(kCreateImageHint, 0x06001004)                                                         \
  X(kCreateImageNote, 0x82001026)                                                         \
  X(kParseImageAction, 0x82001027)                                                        \
  X(kParseImageHint, 0x06001005)                                                          \
  X(kFilesSavedTo, 0x81001022)                                                            \
  X(kOpenFolder, 0x82001028)                                                              \
  /* disk, image-file and file-type pages */                                              \
  X(kSelectDrive, 0x81001030)                                                             \
  X(kSelectDriveHint, 0x06001010)                                                         \
  X(kRefreshDrives, 0x82001030)                                                           \
  X(kCardHelpLink, 0x82001031)                                                            \
  X(kSelectSize, 0x81001031)                                                              \
  X(kSelectSizeHint, 0x06001011)                                                          \
  X(kPredefinedSize, 0x82001032)                                                          \
  X(kCustomSize, 0x82001033)                                                              \
  X(kStatusGroup, 0x81001032)                                                             \
  X(kSaveLog, 0x82001034)                                                                 \
  X(kTextFilesFilter, 0x89001001)                                                         \
  X(kAllFilesFilter, 0x89001002)                                                          \
  X(kSelectFileTypes, 0x81001033)                                                         \
  X(kSaveLogFailed, 0x06001013) /* %s: the file, %s: the reason */                        \
  X(kImageFileTypes, 0x82001035)                                                          \
  X(kVideoFileTypes, 0x82001036)                                                          \
  X(kAudioFileTypes, 0x82001037)                                                          \
  X(kCommonFileTypes, 0x83001030)                                                         \
  X(kOtherFileTypes, 0x83001031)                                                          \
  /* results page */                                                                      \
  X(kFoundFiles, 0x81001040)                                                              \
  X(kSortBy, 0x82001040)                                                                  \
  X(kSortNone, 0x82001041)                                                                \
  X(kSortName, 0x82001042)                                                                \
  X(kSortImageSize, 0x82001043)                                                           \
  X(kSortSize, 0x82001044)                                                                \
  X(kSortType, 0x82001045)                                                                \
  X(kSortCreated, 0x82001046)                                                             \
  X(kSortOrigin, 0x8800101B)                                                              \
  X(kColumnName, 0x83001040)                                                              \
  X(kColumnImageSize, 0x83001041)                                                         \
  X(kColumnSize, 0x83001042)                                                              \
  X(kColumnType, 0x83001043)                                                              \
  X(kColumnCreated, 0x83001044)                                                           \
  X(kCheckAll, 0x82001047)                                                                \
  X(kUncheckAll, 0x82001048)                                                              \
  X(kCheckImageFiles, 0x82001049)                                                         \
  X(kCheckVideoFiles, 0x8200104A)                                                         \
  X(kCheckAudioFiles, 0x8200104B)                                                         \
  X(kUncheckImageFiles, 0x8200104C)                                                       \
  X(kUncheckVideoFiles, 0x8200104D)                                                       \
  X(kUncheckAudioFiles, 0x8200104E)                                                       \
  X(kShowThumbnails, 0x8200104F)                                                          \
  X(kShowDetails, 0x82001050)                                                             \
  X(kThumbnailZoom, 0x82001070)                                                           \
  X(kUnknownDate, 0x83001045)                                                             \
  X(kPreviewLabel, 0x82001051)               /* %s: the size text */                      \
  X(kPreviewLabelWithDimensions, 0x82001052) /* %s: the size text, %s: width x height */  \
  X(kPreviewTitle, 0x82001053)                                                            \
  X(kPreviewBound, 0x83001046) /* %s: "600x600" */                                        \
  X(kColumnOrigin, 0x88001010)                                                            \
  X(kOriginLive, 0x88001011)                                                              \
  X(kOriginDeleted, 0x88001012)                                                           \
  X(kOriginLostFolder, 0x88001013)                                                        \
  X(kOriginSearch, 0x88001014)                                                            \
  X(kMayBeDamaged, 0x88001015)                                                            \
  X(kOriginLiveHint, 0x88001016)                                                          \
  X(kOriginDeletedHint, 0x88001017)                                                       \
  X(kOriginLostFolderHint, 0x88001018)                                                    \
  X(kOriginSearchHint, 0x88001019)                                                        \
  X(kMayBeDamagedHint, 0x8800101A)                                                        \
  X(kUnreadableHint, 0x88001041) /* %s: the unreadable bytes */                           \
  /* the figures of a run */                                                              \
  X(kFiguresBytes, 0x88001001)      /* %s done, %s in all */                              \
  X(kFiguresFound, 0x88001002)      /* %s: the count */                                   \
  X(kFiguresSaved, 0x88001003)      /* %s: the count */                                   \
  X(kFiguresFailed, 0x88001004)     /* %s: the count */                                   \
  X(kFiguresUnreadable, 0x88001005) /* %s: the count */                                   \
  X(kFiguresSpeed, 0x88001006)      /* %s: a size, per second */                          \
  X(kFiguresTimeLeft, 0x88001007)   /* %s: the time */                                    \
  X(kFiguresEntries, 0x88001032)    /* %s: the count */                                   \
  X(kFinishSaved, 0x88001008)       /* %s: the count */                                   \
  X(kFinishDamaged, 0x88001030)     /* %s: the count */                                   \
  X(kFiguresBadAreas, 0x88001031)   /* %s: the count, %s: their size */                   \
  X(kFiguresMissing, 0x88001040)    /* %s: the size past the end of the medium */         \
  /* about, help */                                                                       \
  X(kHelpTitle, 0x81001050)                                                               \
  X(kClose, 0x82001060)                                                                   \
  X(kCheckForUpdates, 0x82001061)                                                         \
  X(kAboutVersion, 0x83001050)  /* before ": " and the version */                         \
  X(kNoBrowser, 0x86001051)     /* %s: the address */                                     \
  X(kNoFileManager, 0x86001052) /* %s: the folder */                                      \
  /* online services */                                                                   \
  X(kNetStatusKnown, 0x8200D415)   /* %s time left, %s received, %s total, %s per cent */ \
  X(kNetStatusUnknown, 0x8200C8FC) /* %s received */                                      \
  X(kNetSpeed, 0x82000712)         /* %s: KB per second */                                \
  X(kNetSummary, 0x8200F2A9)       /* %s amount, %s elapsed time */                       \
  X(kHours, 0x83008E4C)                                                                   \
  X(kMinutes, 0x8300CBAA)                                                                 \
  X(kSeconds, 0x830078F3)                                                                 \
  X(kNetFileFailed, 0x86003175) /* %s: the file */                                        \
  X(kNetFailed, 0x86006DC8)                                                               \
  X(kNewsCaption, 0x8100BA12)                                                             \
  X(kNoNews, 0x8600F77D)                                                                  \
  X(kDownloadCaption, 0x8100C192)                                                         \
  X(kDownloadComplete, 0x810010C2)                                                        \
  X(kConnecting, 0x810091B5) /* followed by "..." */                                      \
  X(kCloseWhenFinished, 0x82007C89)                                                       \
  X(kRunButton, 0x81003288)                                                               \
  X(kOpenButton, 0x810016B8)                                                              \
  X(kOpenFolderButton, 0x81000F42)                                                        \
  X(kDialogCancel, 0x8100BEF5)                                                            \
  X(kDialogClose, 0x8100CAD2)                                                             \
  /* kova-cli */                                                                          \
  X(kCliUsage, 0x07001001)                                                                \
  X(kCliUnknownCommand, 0x87001001)  /* %s: the command */                                \
  X(kCliUnknownOption, 0x87001002)   /* %s: the option */                                 \
  X(kCliMissingArgument, 0x87001003) /* %s: what is missing */                            \
  X(kCliBadSize, 0x87001004)         /* %s: the text given */                             \
  X(kCliUnknownFileType, 0x87001005) /* %s: the extension, %s: the known ones */          \
  X(kCliSourceMissing, 0x87001006)   /* %s: the drive or file */                          \
  X(kCliCannotOpen, 0x87001007)      /* %s: the drive or file, %s: the reason */          \
  X(kCliFolderRefused, 0x87001008)   /* %s: the folder */                                 \
  X(kCliDrivesHeader, 0x87001010)                                                         \
  X(kCliNoDrives, 0x87001011)                                                             \
  X(kCliDriveLine, 0x87001012)      /* %s device (padded), %s what it is */               \
  X(kCliScanning, 0x87001013)       /* %s: the drive or file */                           \
  X(kCliScanSummary, 0x87001014)    /* %s files, %s total size */                         \
  X(kCliRestoring, 0x87001015)      /* %s files, %s: the folder */                        \
  X(kCliRestoreSummary, 0x87001016) /* %s files, %s total size, %s: the folder */         \
  X(kCliImaging, 0x87001017)        /* %s: the drive, %s: the image file */               \
  X(kCliImageSummary, 0x87001018)   /* %s: the image file, %s: its size */                \
  X(kCliStopped, 0x87001019)                                                              \
  X(kCliInterruptHint, 0x8700101A)                                                        \
  X(kCliVersion, 0x87001020)             /* %s: the version */                            \
  X(kCliUnexpectedArgument, 0x87001021)  /* %s: the argument */                           \
  X(kCliSourceWord, 0x87001022)          /* what a missing SOURCE is called */            \
  X(kCliNotACardImage, 0x87001023)       /* %s: the path */                               \
  X(kCliFolderNotSource, 0x87001024)     /* %s: the folder */                             \
  X(kCliScanFailed, 0x87001026)          /* %s: the drive or file, %s: the reason */      \
  X(kCliSourceGone, 0x87001027)          /* %s: the drive or file */                      \
  X(kCliSizeUnknown, 0x8700102D)         /* %s: the drive */                              \
  X(kCliDriveNoUDisks, 0x0A001101)       /* %s: the drive */                              \
  X(kCliDriveNoService, 0x0A001102)      /* %s: the drive */                              \
  X(kCliDriveRefused, 0x0A001103)        /* %s: the drive, %s: what the system said */    \
  X(kCliFileNoPermission, 0x0A001104)    /* %s file, %s mode, %s owner, %s file */        \
  X(kCliPathNoPermission, 0x0A001105)    /* %s: the path, %s: the path */                 \
  X(kCliDriveNoAgent, 0x0A001106)        /* %s: the drive */                              \
  X(kCliDriveDismissed, 0x0A001107)      /* %s: the drive */                              \
  X(kCliClusterCounts, 0x8A001101)       /* %s in all, %s used, %s free */                \
  X(kCliSystemDrivesLeftOut, 0x8A001102) /* %s: how many */                               \
  X(kCliOriginLive, 0x87001028)                                                           \
  X(kCliOriginDeleted, 0x87001029)                                                        \
  X(kCliOriginLost, 0x8700102A)                                                           \
  X(kCliOriginScan, 0x8700102B)                                                           \
  X(kCliInfoSource, 0x87001030)                                                           \
  X(kCliInfoDrive, 0x87001031)                                                            \
  X(kCliInfoImageFile, 0x87001032)                                                        \
  X(kCliInfoSize, 0x87001033)                                                             \
  X(kCliInfoFileSystem, 0x87001034)                                                       \
  X(kCliInfoNoFileSystem, 0x87001035)                                                     \
  X(kCliInfoClusterSize, 0x87001036)                                                      \
  X(kCliInfoVolumeLabel, 0x87001037)                                                      \
  X(kCliInfoSerial, 0x87001038)                                                           \
  X(kCliInfoClusters, 0x87001039)                                                         \
  X(kCliInfoTrailer, 0x8700103A)                                                          \
  X(kCliInfoNoTrailer, 0x8700103B)                                                        \
  X(kCliInfoTrailerFacts, 0x8700103C) /* %s file system, %s cluster size, %s label */     \
  X(kCliInfoReported, 0x8700103D)     /* %s: what the system reports of a drive */        \
  X(kCliProgressPlain, 0x8700102E)    /* %s per cent, %s elapsed time */                  \
  X(kCliImageWords, 0x87001040)       /* the missing drive and image file */              \
  X(kCliBadOnError, 0x87001041)       /* %s: the text given */                            \
  X(kCliImageIncomplete, 0x87001042)  /* %s: the drive, %s: the image file */             \
  X(kCliImageExists, 0x87001043)      /* %s: the image file */                            \
  X(kCliYes, 0x87001044)              /* the answer that confirms */                      \
  X(kCliChoicePrompt, 0x87001045)     /* %s: the proposed answer */                       \
  X(kCliCountPrompt, 0x87001046)      /* %s: the proposed count */                        \
  X(kCliReplaceFile, 0x87001047)      /* %s: the file */                                  \
  X(kCliResultSaved, 0x87001048)                                                          \
  X(kCliResultDamaged, 0x87001049)  /* %s: why */                                         \
  X(kCliResultFailed, 0x8700104A)   /* %s: why */                                         \
  X(kCliRestoreGroups, 0x8700104B)  /* %s images, %s videos, %s audio files */            \
  X(kCliRestoreDamaged, 0x8700104C) /* %s: the count */                                   \
  X(kCliRestoreFailed, 0x8700104D)  /* %s: the count */                                   \
  X(kCliInfoTable, 0x87001070)                                                            \
  X(kCliInfoNoTable, 0x87001071)                                                          \
  X(kCliInfoPartition, 0x87001072)      /* %s: the partition number */                    \
  X(kCliInfoPartitionFacts, 0x87001073) /* %s start, %s size, %s type, %s file system */  \
  X(kCliInfoPartitionLabel, 0x87001074) /* %s: the label */                               \
  X(kCliInfoUnknownVolume, 0x87001075)                                                    \
  X(kCliInfoBackupBoot, 0x87001076)                                                       \
  X(kCliInfoPastEnd, 0x87001077)     /* %s: the partition number */                       \
  X(kCliInfoInsideTable, 0x87001078) /* %s: the partition number */                       \
  X(kCliInfoOverlap, 0x87001079)     /* %s: the partition number */                       \
  X(kCliInfoChainBroken, 0x8700107A) /* %s: the extended partition's number */            \
  X(kCliInfoGptPrimary, 0x8700107B)                                                       \
  X(kCliInfoGptDamaged, 0x8700107C)                                                       \
  X(kCliInfoGptEntries, 0x8700107D)                                                       \
  X(kCliInfoTableProblem, 0x8700107E)                                                     \
  X(kCliInfoBootSector, 0x8700107F)                                                       \
  X(kCliInfoPartitionBackupBoot, 0x87001080)                                              \
  X(kCliInfoExtended, 0x87001081)                                                         \
  X(kCliInfoPartitionName, 0x87001082) /* %s: the GPT partition name */                   \
  X(kCliBadCodePage, 0x87001083)       /* %s: the text given */                           \
  X(kCliBadMapFile, 0x87001090)        /* %s: why */                                      \
  X(kCliMapNeedsImage, 0x87001091)                                                        \
  X(kCliBadThreads, 0x870010A0) /* %s: the text given */                                  \
  X(kCliInfoCut, 0x870010B0)    /* %s: the partition number, %s: the size missing */      \
  X(kCliInfoMissing, 0x870010B1)                                                          \
  X(kCliInfoMissingFacts, 0x870010B2)     /* %s: the size missing */                      \
  X(kCliInfoPartitionMissing, 0x870010B3) /* %s: the size missing */                      \
  X(kCliMissing, 0x870010B4)              /* %s: the size missing */                      \
  X(kCliInfoFreeSpace, 0x870010B5)

namespace kova::lg {

#define KOVA_LG_CONSTANT(name, id) inline constexpr uint32_t name = id;
KOVA_LG_KEYS(KOVA_LG_CONSTANT)
#undef KOVA_LG_CONSTANT

struct TXLgKey {
  std::string_view Name;
  uint32_t ID;
};

// Every identifier with its name, in the order above.
#define KOVA_LG_ENTRY(name, id) TXLgKey{#name, id},
inline constexpr TXLgKey kAllKeys[] = {KOVA_LG_KEYS(KOVA_LG_ENTRY)};
#undef KOVA_LG_ENTRY

constexpr bool KeysAreUnique() {
  for (size_t i = 0; i < std::size(kAllKeys); ++i) {
    if (kAllKeys[i].ID == 0) return false;
    for (size_t j = i + 1; j < std::size(kAllKeys); ++j) {
      if (kAllKeys[i].ID == kAllKeys[j].ID || kAllKeys[i].Name == kAllKeys[j].Name) return false;
    }
  }
  return true;
}
static_assert(KeysAreUnique(), "every text has its own identifier and name");

// True for identifiers of single-line texts.
constexpr bool IsSingleLine(uint32_t id) {
  return (id & 0x80000000u) != 0;
}

}  // namespace kova::lg
