# fish completion for tallowick-cli: commands, options, the rows of the
# sites in the settings file, and theme names.

function __tallowick_cli_rows
    set -l dir .
    set -l words (commandline -opc)
    for i in (seq (count $words))
        if test "$words[$i]" = --dir; and test $i -lt (count $words)
            set dir $words[(math $i + 1)]
        end
    end
    # Listing the sites of a folder without a settings file would create one.
    test -f $dir/Tallowick.Settings; or return
    command tallowick-cli --dir $dir sites 2>/dev/null | cut -f1
end

function __tallowick_cli_themes
    command tallowick-cli report --help 2>/dev/null | sed -n 's/.*--theme[^{]*{\([^}]*\)}.*/\1/p' | string split ,
end

set -l commands report run sites add set options delete mail-test history
complete -c tallowick-cli -f
complete -c tallowick-cli -l dir -r -a '(__fish_complete_directories)' -d 'Program directory'
complete -c tallowick-cli -l salvage -d 'Go on with the sites of a damaged settings file'
complete -c tallowick-cli -l quiet -d 'Print only warnings and errors'
complete -c tallowick-cli -l version -d 'Print the version and library versions'
complete -c tallowick-cli -s h -l help -d 'Print help'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a report -d 'Report of logfiles, saved nowhere'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a run -d 'Run saved sites'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a sites -d 'List the sites'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a add -d 'Add a site'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a set -d 'Change fields of a site'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a options -d 'Change or print the program settings'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a delete -d 'Remove sites'
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a mail-test -d "Send a site's e-mail now"
complete -c tallowick-cli -n "not __fish_seen_subcommand_from $commands" -a history -d "Print a site's last runs"

complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -F
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -s o -l output -r -F -d 'HTML report'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l theme -x -a '(__tallowick_cli_themes)' -d 'Report theme'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l no-graphs -d 'Leave out the bar graphs'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l from -x -d 'First day (YYYY-MM-DD)'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l to -x -d 'Last day (YYYY-MM-DD)'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l resolve -d 'Turn IP addresses into host names'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l site -x -d 'Homepage URL'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report run' -l json -r -F -d 'Statistics as JSON'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l modern -r -F -d 'Also write the modern view'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l user -x -d 'User name for remote logfiles'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l password-file -r -F -d 'File holding the password'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l key -r -F -d 'SSH private key for sftp:// logfiles'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l passive -d 'Passive FTP'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l geoip -r -F -d '.mmdb country database'
complete -c tallowick-cli -n '__fish_seen_subcommand_from report' -l no-geoip -d 'No countries of IP addresses'
complete -c tallowick-cli -n '__fish_seen_subcommand_from run' -l all -d 'Run every site'
complete -c tallowick-cli -n '__fish_seen_subcommand_from sites' -l json -d 'Every saved field as JSON'
complete -c tallowick-cli -n '__fish_seen_subcommand_from add' -l site -x -d 'Homepage URL'
complete -c tallowick-cli -n '__fish_seen_subcommand_from add' -l log -r -F -d 'Logfile'
complete -c tallowick-cli -n '__fish_seen_subcommand_from add' -l report -r -F -d 'HTML report'
complete -c tallowick-cli -n '__fish_seen_subcommand_from add set' -l password-file -x -d 'Password field from a file (FIELD=FILE)'
complete -c tallowick-cli -n '__fish_seen_subcommand_from add set' -l password-stdin -x -a 'logFtpPassword uploadFtpPassword' -d 'Password field from standard input'
complete -c tallowick-cli -n '__fish_seen_subcommand_from run set delete mail-test history' -a '(__tallowick_cli_rows)' -d 'Row'
