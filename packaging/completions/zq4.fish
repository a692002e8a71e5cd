# fish completion for zq4: its commands, each command's options, and for decrypt and verify the files ending in
# .enc (and folders).
set -l commands encrypt decrypt verify
complete -c zq4 -f
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -a encrypt -d 'Encrypt files and folders'
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -a decrypt -d 'Decrypt them again'
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -a verify -d 'Check encrypted files without decrypting them'
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -l run -r -F -d 'Run the operation of an operation file'
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -l randomness -r -a '(__fish_complete_directories)' -d 'List the randomness of a folder'
complete -c zq4 -n "not __fish_seen_subcommand_from $commands" -l version -d 'Show the version'
complete -c zq4 -l keyfile -r -F -d 'Take the key from a keyfile'
complete -c zq4 -l key-stdin -d 'Read the key as the first line of standard input'
complete -c zq4 -s q -l quiet -d 'Write nothing to standard output'
complete -c zq4 -l report -r -F -d 'Also write the report to FILE'
complete -c zq4 -s h -l help -d 'Show the help'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt" -s o -l output -r -a '(__fish_complete_directories)' -d 'Put the results in DIR'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt verify" -s r -l recursive -d 'Take folders with their subfolders'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt verify" -s v -l verbose -d 'Report every file'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt" -l in-place -d 'Replace each input by its result'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt" -l yes -d 'Confirm an operation in place'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt decrypt" -l overwrite -d 'Replace output files that exist already'
complete -c zq4 -n "__fish_seen_subcommand_from decrypt" -l keep-going -d 'Decrypt on when the first files fail with the key'
complete -c zq4 -n "__fish_seen_subcommand_from encrypt" -F
complete -c zq4 -n "__fish_seen_subcommand_from decrypt verify" -a '(__fish_complete_suffix .enc)'
